#include "historypaging.h"

namespace HistoryPaging
{

HistoryPage clamp(int recordCount, int pageSize, int currentPage)
{
    HistoryPage page;
    const int pages = (recordCount + pageSize - 1) / pageSize;
    if (pages > 0) {
        page.totalPages = pages;
        page.currentPage = qBound(1, currentPage, pages);
    }
    page.offset = (page.currentPage - 1) * pageSize;
    return page;
}

QString label(int currentPage, int totalPages)
{
    return QStringLiteral(" 第 %1 / %2 页 ").arg(currentPage).arg(totalPages);
}

} // namespace HistoryPaging
