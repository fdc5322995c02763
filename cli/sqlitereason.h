#pragma once

// Why SQLite refused, in the words of the people who use telvoro-cli rather than the driver's.

#include <QSqlError>
#include <QString>

/// SQLite's result codes (the primary ones) that telvoro-cli tells apart.
namespace SqliteCode
{
constexpr int Busy = 5;
constexpr int Locked = 6;
constexpr int NotADatabase = 26;
} // namespace SqliteCode

/// The primary result code of a failed statement; 0 when the driver gave none.
int sqliteCode(const QSqlError &error);

/// The reason in plain words, e.g. "the disk is full"; SQLite's own words where it has no
/// plainer ones, never the driver's.
QString sqliteReason(const QSqlError &error);
