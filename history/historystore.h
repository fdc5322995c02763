#pragma once

// The SQL of the history table HistoryData. Each statement runs on a fresh query of the given
// connection, in SQLite's autocommit mode, so every stored record is durable on its own.

#include "historyrecord.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

#include <optional>

namespace HistoryStore
{

/// The console's database: this file in its working directory.
constexpr char FileName[] = "TestHistory.db";

/// The columns of HistoryData, in the order of HistoryRecord's fields.
QStringList columns();

/// The table's CREATE statement, byte for byte as the store sends it.
extern const char *const CreateTableSql;

/// Creates the table unless it exists. On failure `error` (if given) gets the driver's text.
bool createTable(const QSqlDatabase &db, QString *error = nullptr);
/// The same, giving the driver's error itself: its code tells a full disk from a busy file.
bool createTable(const QSqlDatabase &db, QSqlError *error);

/// Stores a record, replacing one with the same record_index.
bool insert(const QSqlDatabase &db, const HistoryRecord &record, QString *error = nullptr);
bool insert(const QSqlDatabase &db, const HistoryRecord &record, QSqlError *error);

/// Number of stored records; 0 when the statement fails.
int count(const QSqlDatabase &db);

/// `limit` records from `offset` on, in ascending record_index; nothing when the statement fails.
std::optional<QList<HistoryRecord>> page(const QSqlDatabase &db, int limit, int offset);

/// Every record in ascending record_index; empty when the statement fails, which `ok` (if
/// given) tells apart from an empty table, and `error` (if given) gets the driver's error.
QList<HistoryRecord> all(const QSqlDatabase &db, bool *ok = nullptr, QSqlError *error = nullptr);

/// Deletes every record (and the table's auto-increment bookkeeping, if any). False when the
/// records could not be deleted, with the driver's error in `error` (if given).
bool clear(const QSqlDatabase &db, QSqlError *error = nullptr);

} // namespace HistoryStore
