#pragma once

// The history report: UTF-8 with a byte-order mark, a header line, then one line per record
// with the history table's cell texts, joined by commas without quoting.

#include "historyrecord.h"
#include "outputfile.h"

#include <QDateTime>
#include <QIODevice>
#include <QList>
#include <QString>

namespace CsvReport
{

using Result = OutputFile::Result;

/// The header line, without its line end.
QString headerLine();

/// One record's line, without its line end.
QString recordLine(const HistoryRecord &record);

/// "接地电阻测试报告_yyyyMMdd_HHmmss.csv" for the given local time.
QString suggestedFileName(const QDateTime &localTime);

/// Writes the report to `device`, open for writing (in text mode for platform line ends). False
/// when a write failed.
bool write(QIODevice &device, const QList<HistoryRecord> &records);

/// Writes the report to `path` in text mode (platform line ends). An existing file is replaced
/// only by a complete report: after a failure it is left as it was.
Result write(const QString &path, const QList<HistoryRecord> &records);

} // namespace CsvReport
