#pragma once

// The PDF test report: a header, the summary, the trend and the record table, drawn with Qt's
// own PDF writer. Needs a QGuiApplication (any platform, offscreen will do) for its fonts.

#include "historyrecord.h"

#include <QList>
#include <QPageSize>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;

/// What the report says about itself, besides the records.
struct ReportInfo {
    QString title;
    QString site;
    QString testedBy;
    QString date;     ///< the day the report was made
    QString database; ///< the history database's file name
    std::optional<double> limitOhms;
    QPageSize::PageSizeId paper = QPageSize::A4;
};

namespace ReportPdf
{

/// An installed font family that has Chinese glyphs; empty when there is none.
QString chineseFontFamily();

/// How many table rows go on each page: `firstPageRows` fit below page 1's header, summary and
/// trend, `pageRows` on every later page. A history without records still has one page.
QList<int> rowsPerPage(int rows, int firstPageRows, int pageRows);

enum class Outcome {
    Written,
    Failed,           ///< the device failed
    Stopped,          ///< `carryOn` said no: the report is not whole
    FirstPageTooLong, ///< the title, site and operator leave no room on page 1; nothing written
};

/// Writes the whole report to `device` in `fontFamily`, asking `carryOn` before each page.
/// Texts of any length wrap and keep their line breaks; page 1's block grows with them.
Outcome write(QIODevice *device, const ReportInfo &info, const QList<HistoryRecord> &records,
              const QString &fontFamily, const std::function<bool()> &carryOn);

} // namespace ReportPdf
