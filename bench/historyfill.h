#pragma once

#include <QString>

namespace bench
{

/// Writes `path` as a console history database (table HistoryData, as the console creates it)
/// holding records 1..count, made like the simulator's. False with `error` on failure.
bool fillHistory(const QString &path, int count, QString *error);

} // namespace bench
