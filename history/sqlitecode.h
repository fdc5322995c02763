#pragma once

// SQLite's primary result codes that tell one failure of a history file from another, read from
// the driver's error.

#include <QSqlError>

namespace SqliteCode
{

constexpr int Permission = 3;
constexpr int Busy = 5;
constexpr int Locked = 6;
constexpr int ReadOnly = 8;
constexpr int IoError = 10;
constexpr int Corrupt = 11;
constexpr int Full = 13;
constexpr int CantOpen = 14;
constexpr int Auth = 23;
constexpr int NotADatabase = 26;

/// The primary result code of a failed statement; 0 when the driver gave none.
int of(const QSqlError &error);

/// Another connection held the lock the statement needed.
bool isBusy(const QSqlError &error);

} // namespace SqliteCode
