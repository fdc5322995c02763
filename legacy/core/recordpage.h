#pragma once

#include "legacystate.h"
#include "recordtext.h"

#include <QString>

#include <optional>

namespace legacy
{

/// Records in each half of a record page.
constexpr int RecordsPerBox = 24;

/// Column header of both record boxes.
inline const QString PageHeader =
    QStringLiteral("   组数     最大值     最小值    平均值    电压值    ");

/// The texts of the two record boxes, lines ended by CR LF.
struct RecordPage {
    QString left;
    QString right;
};

/// Page `page`: records (page - 1) * 48 + 1 .. + 24 on the left, the next 24 on the right,
/// each row aligned by `padPageRow`. Empty slots give blank rows (30 blanks for a slot that
/// never held a record); numbers outside the store are empty slots.
RecordPage buildRecordPage(const LegacyState &state, qint32 page, const ValueFormatter &format);

/// "上一页": one page back, never below 1.
qint16 previousPage(qint16 curPage);
/// "下一页": one page on, never past `pageCount`, never below 1.
qint16 nextPage(qint16 curPage, qint32 pageCount);

/// Where "确定" goes and what the page box then reads.
struct PageJump {
    qint16 page = 1;
    std::optional<QString> rewrite; ///< new text of the page box, if it changes
};
/// The page typed in `text`, limited to 1 .. last page (`pageCount`, or 1 without pages).
/// No jump when the text is not a whole number in the 16-bit range.
std::optional<PageJump> jumpToPage(const QString &text, qint32 pageCount);

} // namespace legacy
