#pragma once

// A history database file as telvoro-cli uses it: the console's table and rows, checked before
// anything is changed and replaced in one transaction (history/ keeps those rules). A file
// another program is using is waited for (BusyWaitSeconds), and standard error says so once;
// every failure is told in plain words.

#include "historydatabase.h"
#include "historyrecord.h"

#include <QList>
#include <QString>

/// How long telvoro-cli waits for a database another program is using.
constexpr int BusyWaitSeconds = 10;

namespace HistoryFile
{

/// True when a download may later replace the records of `path`: a history database, an empty
/// SQLite database or a file still to be made, in a folder that can be written, and no other
/// program writing to it. Changes nothing. `error` tells why not.
bool checkReplaceable(const QString &path, QString *error);

/// More statements of a piece of work on the file; false with the driver's error undoes it all.
using MoreWork = HistoryDatabase::MoreWork;

/// Replaces every record of `path` by `records` in one transaction, creating the file and the
/// table as the console does when they are missing; `more` runs in the same transaction. On
/// failure the file is left as it was (a file made for it is removed again) and `error` tells
/// why.
bool replaceRecords(const QString &path, const QList<HistoryRecord> &records, QString *error,
                    const MoreWork &more = {});

/// Every record of an existing history database, in ascending record number; `more` reads in
/// the same transaction.
bool readRecords(const QString &path, QList<HistoryRecord> *records, QString *error,
                 const MoreWork &more = {});

/// True when `path` exists and is a history database; changes nothing.
bool checkExisting(const QString &path, QString *error);

/// False, with `error`, when `output` is the database `path` itself: writing a report or an
/// export there would replace the history.
bool checkApart(const QString &path, const QString &output, QString *error);

/// Deletes every record of an existing history database.
bool clearRecords(const QString &path, QString *error);

} // namespace HistoryFile
