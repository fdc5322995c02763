#pragma once

// A history database file worked on whole, by a program other than the console that keeps it
// open: checked before anything is changed, its records read or replaced in one transaction.
// A busy file is waited for as `BusyWait` says; each failure is told by its cause, for the
// program to put into its own words.

#include "historyconnection.h"
#include "historyrecord.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

#include <functional>

/// Why work on a history database file did not happen, or did not last.
struct HistoryFault {
    enum class Cause {
        None,
        NoSuchFile,    ///< there is no file to read
        NotSqlite,     ///< the file is no SQLite database (`error`)
        Unreadable,    ///< the list of its tables could not be read (`error`)
        OtherTables,   ///< it holds `tables` and no HistoryData
        MissingColumn, ///< its HistoryData has no `column`
        NoTable,       ///< an SQLite database without HistoryData, where one is to be read
        Refused,       ///< SQLite refused the work (`error`); `stayedBusy` after the whole wait
    };

    Cause cause = Cause::None;
    QSqlError error;
    bool stayedBusy = false;
    QStringList tables;
    QString column;
};

namespace HistoryDatabase
{

/// What an open database holds: the history table with all its columns, no table at all, or
/// something else (other tables, the table with other columns), whose cause goes to `fault`.
enum class Content { History, Empty, Other };
Content inspect(const QSqlDatabase &db, HistoryFault *fault);

/// More statements of a piece of work on the file; false with the driver's error undoes it all.
using MoreWork = std::function<bool(const QSqlDatabase &db, QSqlError *error)>;

/// True when a download may later replace the records of `path`: a history database, an empty
/// SQLite database or no file yet, and no other program writing to it. Changes nothing.
bool checkReplaceable(const QString &path, const BusyWait &busy, HistoryFault *fault);

/// Replaces every record of `path` by `records` in one transaction, creating the file and the
/// table as the console does when they are missing; `more` runs in the same transaction. On
/// failure the file is left as it was (a file made for it is removed again).
bool replaceRecords(const QString &path, const QList<HistoryRecord> &records, const BusyWait &busy,
                    HistoryFault *fault, const MoreWork &more = {});

/// Every record of an existing history database, in ascending record number; `more` reads in
/// the same transaction.
bool readRecords(const QString &path, QList<HistoryRecord> *records, const BusyWait &busy,
                 HistoryFault *fault, const MoreWork &more = {});

/// True when `path` exists and is a history database; changes nothing.
bool checkExisting(const QString &path, const BusyWait &busy, HistoryFault *fault);

/// Deletes every record of an existing history database (checkExisting tells whether it is
/// one).
bool clearRecords(const QString &path, const BusyWait &busy, HistoryFault *fault);

} // namespace HistoryDatabase
