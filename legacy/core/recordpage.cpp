#include "recordpage.h"

#include "numbertext.h"
#include "readingformat.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace legacy
{

namespace
{

const QString CrLf = QStringLiteral("\r\n");

// Raw counts an empty slot hands to the padder: those of the last present record laid out.
struct RawCarry {
    qint32 max = 0;
    qint32 min = 0;
    qint32 avg = 0;
};

QString pageRow(const LegacyState &state, qint64 n, RawCarry &carry, const ValueFormatter &format)
{
    const RecordSlot slot = recordSlot(state, n);
    QString label, maxText, minText, avgText;
    if (slot.no != 0) {
        label = groupLabel(slot.no);
        maxText = format(slot.type, slot.max);
        minText = format(slot.type, slot.min);
        avgText = format(slot.type, slot.avg);
        carry = {slot.max, slot.min, slot.avg};
    }
    RecordRow row;
    row.rowType = slot.type;
    row.rowMax = carry.max;
    row.rowMin = carry.min;
    row.rowAvg = carry.avg;
    row.colMax = maxText;
    row.colMin = minText;
    row.colAvg = avgText;
    row.colVolt = avgText;
    padPageRow(row);
    const QString gap(6, u' ');
    return label + gap + row.colMax + gap + row.colMin + gap + row.colAvg + gap + row.colVolt +
           gap + CrLf;
}

} // namespace

RecordPage buildRecordPage(const LegacyState &state, qint32 page, const ValueFormatter &format)
{
    const qint64 base = (qint64(page) - 1) * 2 * RecordsPerBox;
    RecordPage result;
    result.left = QString(10, u' ') + QStringLiteral("第") + QString::number(page) +
                  QStringLiteral(" 页") + CrLf + PageHeader + CrLf;
    result.right = CrLf + PageHeader + CrLf;
    RawCarry carry;
    for (qint64 n = base + 1; n <= base + RecordsPerBox; ++n)
        result.left += pageRow(state, n, carry, format);
    for (qint64 n = base + RecordsPerBox + 1; n <= base + 2 * RecordsPerBox; ++n)
        result.right += pageRow(state, n, carry, format);
    return result;
}

qint16 previousPage(qint16 curPage)
{
    return qint16(std::max(curPage - 1, 1));
}

qint16 nextPage(qint16 curPage, qint32 pageCount)
{
    const qint32 page = std::min(qint32(curPage) + 1, pageCount);
    return qint16(std::max(page, 1));
}

std::optional<PageJump> jumpToPage(const QString &text, qint32 pageCount)
{
    const std::optional<double> number = parseNumber(text);
    if (!number || *number != std::floor(*number) || *number < std::numeric_limits<qint16>::min() ||
        *number > std::numeric_limits<qint16>::max())
        return std::nullopt;
    PageJump jump{qint16(*number), std::nullopt};
    const qint32 last = pageCount > 0 ? pageCount : 1;
    if (jump.page < 1) {
        jump.page = 1;
        jump.rewrite = QStringLiteral("1");
    }
    if (jump.page > last) {
        jump.page = qint16(last);
        jump.rewrite = QString::number(last);
    }
    return jump;
}

} // namespace legacy
