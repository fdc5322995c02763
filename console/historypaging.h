#pragma once

#include <QString>

/// Which page of the history table to show.
struct HistoryPage {
    int totalPages = 1;
    int currentPage = 1;
    int offset = 0; ///< first record of the page, counted from 0
};

namespace HistoryPaging
{

/// Clamps `currentPage` to the pages `recordCount` records fill, `pageSize` to a page; an empty
/// table still has one (empty) page.
HistoryPage clamp(int recordCount, int pageSize, int currentPage);

/// The page indicator, " 第 current / total 页 ".
QString label(int currentPage, int totalPages);

} // namespace HistoryPaging
