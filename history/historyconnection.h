#pragma once

// One history file worked on by a connection of its own, and the lock a piece of work takes
// before it starts. Another program may hold the file for a while (the console storing a record,
// a script's transaction): a busy file is waited for as long as the caller allows, once the
// caller has said so, so the wait is neither silent nor endless.

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <functional>

/// How long a busy file is waited for, and what is done once before the wait begins.
struct BusyWait {
    int seconds = 0;
    std::function<void()> announce;
};

class HistoryConnection
{
public:
    enum class Access { Read, Write };

    /// Opens `file` (read-only for Read); nothing is locked yet.
    HistoryConnection(const QString &file, Access how, const BusyWait &busy);
    ~HistoryConnection();
    HistoryConnection(const HistoryConnection &) = delete;
    HistoryConnection &operator=(const HistoryConnection &) = delete;

    /// Begins the work: a transaction holding the lock reading (no one writes meanwhile) or
    /// writing (no one else writes) needs. False, with error(), when the file cannot be opened,
    /// is no database, or stayed busy.
    bool begin();
    /// Ends the work, keeping what it wrote; false, with error(), when that failed (nothing
    /// written is kept then).
    bool commit();
    /// Ends the work, undoing what it wrote.
    void rollback();

    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }

    /// The last failure.
    QSqlError error() const { return failure; }
    /// The last failure came after the whole wait: the file stayed busy.
    bool stayedBusy() const;
    /// The last failure was finding no SQLite database in the file.
    bool notADatabase() const;
    /// `error` as the failure of the work (a statement the work ran itself).
    void failed(const QSqlError &error) { failure = error; }

private:
    bool run(const QString &statement);

    static inline int made = 0;
    const QString name;
    const Access access;
    const BusyWait wait;
    QSqlError failure;
    bool waited = false;
};
