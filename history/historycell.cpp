#include "historycell.h"

#include "protocol.h"

#include <charconv>

namespace
{

const QString Red = QStringLiteral("#EF5350");
const QString Green = QStringLiteral("#4CAF50");
constexpr Qt::Alignment RightCentred = Qt::AlignRight | Qt::AlignVCenter;

} // namespace

namespace HistoryCells
{

QStringList headers()
{
    return {QStringLiteral("记录序号"), QStringLiteral("数据类型"), QStringLiteral("平均值/电压"),
            QStringLiteral("最大阻值"), QStringLiteral("最小阻值"), QStringLiteral("单位"),
            QStringLiteral("电池状态")};
}

QString formatValue(double value)
{
    if (protocol::isOverRange(value))
        return QStringLiteral("OL");
    // to_chars writes exactly what printf's %g writes in the C locale, ties to even included,
    // which QString::asprintf does not, and at a fraction of its cost: a report formats three
    // values a record. A reversed DC voltage of zero decodes as -0; it reads as 0 like on the
    // instrument.
    char text[32];
    const std::to_chars_result written =
        std::to_chars(text, text + sizeof text, value + 0.0, std::chars_format::general, 6);
    return QString::fromLatin1(text, written.ptr - text);
}

QString batteryText(int battery)
{
    return battery != 0 ? QStringLiteral("低电量") : QStringLiteral("正常");
}

QList<HistoryCell> rowCells(const HistoryRecord &record)
{
    const bool voltage = isVoltageRecord(record.data_type);
    const auto extremeCell = [voltage](double value) {
        if (voltage)
            return HistoryCell{QStringLiteral("---"), Qt::AlignCenter, QString()};
        return HistoryCell{formatValue(value), RightCentred, QString()};
    };

    HistoryCell maxCell = extremeCell(record.max_value);
    // Only the maximum shows an over-range value in red.
    if (maxCell.text == QLatin1String("OL"))
        maxCell.colour = Red;

    return {
        HistoryCell{QString::number(record.record_index), std::nullopt, QString()},
        HistoryCell{record.data_type, std::nullopt, QString()},
        HistoryCell{formatValue(record.avg_value), RightCentred, QString()},
        maxCell,
        extremeCell(record.min_value),
        HistoryCell{record.unit, std::nullopt, QString()},
        HistoryCell{batteryText(record.battery), Qt::AlignCenter,
                    record.battery != 0 ? Red : Green},
    };
}

QStringList rowTexts(const HistoryRecord &record)
{
    QStringList texts;
    for (const HistoryCell &cell : rowCells(record))
        texts << cell.text;
    return texts;
}

} // namespace HistoryCells
