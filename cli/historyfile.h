#pragma once

// A history database file as telvoro-cli uses it: the same table and rows as the modern
// console's TestHistory.db, checked before anything is changed and replaced in one transaction.

#include "historyrecord.h"

#include <QList>
#include <QString>

namespace HistoryFile
{

/// True when a download may later replace the records of `path`: a history database, an empty
/// SQLite database or a file still to be made, in a folder that can be written. Changes
/// nothing. `error` tells why not.
bool checkReplaceable(const QString &path, QString *error);

/// Replaces every record of `path` by `records` in one transaction, creating the file and the
/// table as the console does when they are missing. On failure the file is left as it was (a
/// file made for it is removed again) and `error` tells why.
bool replaceRecords(const QString &path, const QList<HistoryRecord> &records, QString *error);

/// Every record of an existing history database, in ascending record number.
bool readRecords(const QString &path, QList<HistoryRecord> *records, QString *error);

/// True when `path` exists and is a history database; changes nothing.
bool checkExisting(const QString &path, QString *error);

/// False, with `error`, when `output` is the database `path` itself: writing a report or an
/// export there would replace the history.
bool checkApart(const QString &path, const QString &output, QString *error);

/// Deletes every record of an existing history database.
bool clearRecords(const QString &path, QString *error);

} // namespace HistoryFile
