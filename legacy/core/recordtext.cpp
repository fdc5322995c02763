#include "recordtext.h"

#include "gbk.h"
#include "readingformat.h"

#include <algorithm>

namespace legacy
{

QString plainValue(quint8 type, qint32 raw)
{
    return formatReading(type, QString::number(raw)).text;
}

QString groupLabel(qint64 number)
{
    QString digits = QString::number(number);
    if (number < 100)
        digits.prepend(u'0');
    if (number < 10)
        digits.prepend(u'0');
    return QStringLiteral("第") + digits + QStringLiteral("组");
}

RecordSlot recordSlot(const LegacyState &state, qint64 n)
{
    if (n < 0 || n > MaxRecords)
        return {};
    const auto i = std::size_t(n);
    return {state.recNo[i], state.recMax[i], state.recMin[i], state.recAvg[i], state.recType[i]};
}

QString reportPart(const LegacyState &state, qint64 n, const ValueFormatter &format)
{
    const RecordSlot slot = recordSlot(state, n);
    RecordRow row;
    row.rowType = slot.type;
    row.rowMax = slot.max;
    row.rowMin = slot.min;
    row.rowAvg = slot.avg;
    row.colMax = format(slot.type, slot.max);
    row.colMin = format(slot.type, slot.min);
    row.colAvg = format(slot.type, slot.avg);
    row.colVolt = row.colAvg;
    padReportRow(row);
    const QString gap(2, u' ');
    return groupLabel(slot.no) + gap + row.colMax + gap + row.colMin + gap + row.colAvg + gap +
           row.colVolt + gap;
}

QStringList recordFileLines(const LegacyState &state, const ValueFormatter &format)
{
    QStringList lines{QString(25, u' '), RecordFileHeader};
    if (state.recTotal <= 0 || state.recTotal == NoCountReported)
        return lines;
    const qint32 last = std::min(state.recTotal, qint32(MaxRecords));
    for (qint32 n = 1; n <= last; ++n) {
        if (state.recNo[std::size_t(n)] != 0)
            lines.append(reportPart(state, n, format));
    }
    return lines;
}

QByteArray recordFileBytes(const QStringList &lines)
{
    if (lines.isEmpty())
        return {};
    // One conversion for the whole file: setting up the converter costs more than a line.
    return gbk::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

} // namespace legacy
