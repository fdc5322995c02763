#pragma once

// Stored history records as JSON: an array with one record object to a line.

#include "historyrecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace RecordJson
{

/// `{"record":N,` then the measurement's fields `}`.
QString object(const HistoryRecord &record);

/// "[", the records' objects one to a line, separated by commas, "]" and a line end; UTF-8.
QByteArray document(const QList<HistoryRecord> &records);

} // namespace RecordJson
