#include "readingformat.h"

#include "numbertext.h"
#include "protocol.h"

#include <QLocale>

namespace legacy
{

namespace
{

QString shortestDecimal(double value)
{
    return QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest);
}

QString resistanceText(qint64 v, int decimals, const QString &integerText)
{
    const qint64 units = v % 10;
    const qint64 tens = v / 10 % 10;
    if (decimals == 2) {
        QString text = shortestDecimal(v / 100.0);
        if (units == 0) {
            if (tens == 0)
                text += QStringLiteral(".0");
            text += QStringLiteral("0");
        }
        return text;
    }
    if (decimals == 1) {
        QString text = shortestDecimal(v / 10.0);
        if (units == 0)
            text += QStringLiteral(".0");
        return text;
    }
    return integerText;
}

QString blanks(int count)
{
    return QString(count, u' ');
}

int when(bool condition, int count = 1)
{
    return condition ? count : 0;
}

} // namespace

FormattedReading formatReading(quint8 fmtType, const QString &fmtText)
{
    const int kind = fmtType & 0xF0;
    const int decimals = fmtType & 0x0F;
    const qint64 v = fmtText.trimmed().toLongLong();
    FormattedReading result{fmtText, false};
    QString unit;
    switch (kind) {
    case 0x10:
        unit = QStringLiteral("Ω");
        break;
    case 0x20:
        unit = QStringLiteral("v");
        break;
    case 0x30:
        unit = QStringLiteral("mA");
        break;
    default:
        return result;
    }
    if (v == protocol::OverRangeRaw) {
        result.text = OverRangeText;
        result.overRange = true;
    } else if (kind == 0x10) {
        result.text = resistanceText(v, decimals, fmtText);
    }
    result.text += unit;
    return result;
}

std::optional<quint8> alarmCondition(const FormattedReading &reading, const QString &thresholdText)
{
    if (reading.text.isEmpty())
        return std::nullopt;
    const float shown = static_cast<float>(leadingNumber(QStringView(reading.text).chopped(1)));
    const std::optional<double> threshold = parseNumber(thresholdText);
    if (!threshold)
        return std::nullopt;
    return static_cast<float>(*threshold) <= shown || reading.overRange ? 1 : 0;
}

void padReportRow(RecordRow &row)
{
    const auto pad = [](QString &column, int count) { column.prepend(blanks(count)); };
    const auto padAll = [&](auto rule) {
        pad(row.colMax, rule(row.rowMax));
        pad(row.colMin, rule(row.rowMin));
        pad(row.colAvg, rule(row.rowAvg));
        row.colVolt = QStringLiteral("  -----");
    };
    switch (row.rowType) {
    case 0x10:
        padAll([](qint32 raw) { return 1 + when(raw < 1000) + when(raw < 100) + when(raw < 10); });
        break;
    case 0x11:
        padAll([](qint32 raw) { return when(raw < 1000) + when(raw < 100); });
        break;
    case 0x12:
        padAll([](qint32 raw) { return when(raw != 0 && raw < 100) + when(raw < 1000); });
        break;
    case 0x20:
        row.colMax = row.colMin = row.colAvg = QStringLiteral("-----   ");
        row.colVolt += QStringLiteral("  ");
        break;
    default:
        break;
    }
    // The report's columns are narrower than the display's over-range text.
    const QString wide = OverRangeText + QStringLiteral("Ω");
    for (QString *column : {&row.colMin, &row.colMax, &row.colAvg, &row.colVolt}) {
        if (*column == wide)
            *column = QStringLiteral("  OL Ω");
    }
}

void padPageRow(RecordRow &row)
{
    const auto pad = [](QString &column, int count) { column.prepend(blanks(count)); };
    switch (row.rowType) {
    case 0x10: {
        const auto minRule = [](qint32 raw) {
            return 1 + when(raw < 1000) + when(raw < 100) + when(raw < 10, 3);
        };
        pad(row.colMax, 1 + when(row.rowMax < 1000) + when(row.rowMax < 100, 2));
        pad(row.colMin, minRule(row.rowMin));
        pad(row.colAvg, minRule(row.rowAvg));
        row.colVolt = QStringLiteral("    -----");
        break;
    }
    case 0x11: {
        const auto minRule = [](qint32 raw) {
            return when(raw < 1000) + when(raw < 100) + when(raw == 0, 2);
        };
        pad(row.colMax, when(row.rowMax < 1000) + when(row.rowMax < 100));
        pad(row.colMin, minRule(row.rowMin));
        pad(row.colAvg, minRule(row.rowAvg));
        row.colVolt = QStringLiteral("    -----");
        break;
    }
    case 0x12: {
        const auto small = [](qint32 raw) { return raw != 0 && raw < 100; };
        pad(row.colMax, when(small(row.rowMax)) + when(row.rowMax < 1000));
        pad(row.colMin, when(small(row.rowMin), 2) + when(row.rowMin < 1000, 2));
        pad(row.colAvg, when(small(row.rowAvg)) + when(row.rowAvg < 1000, 2));
        row.colVolt = QStringLiteral("    -----");
        break;
    }
    case 0x20:
        row.colMax = row.colMin = QStringLiteral("-----");
        row.colAvg = QStringLiteral("----- ");
        break;
    default:
        break;
    }
}

} // namespace legacy
