#pragma once

#include <QString>

namespace bench
{

/// Writes `path` as a console history database (table HistoryData, as the console creates it)
/// holding records 1..count, made like the simulator's. False with `error` on failure.
bool fillHistory(const QString &path, int count, QString *error);

/// Readies a comparison with the sqlite3 program: fills `path` with records 1..count and finds
/// the program. Returns its path, or an empty string after printing why the benchmark `name`
/// cannot run.
QString sqlite3WithHistory(const QString &path, int count, const QString &name);

} // namespace bench
