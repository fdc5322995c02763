#include "historyconnection.h"

#include "sqlitecode.h"

#include <QSqlQuery>

HistoryConnection::HistoryConnection(const QString &file, Access how, const BusyWait &busy)
    : name(QStringLiteral("history-connection-%1").arg(++made)), access(how), wait(busy)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(file);
    // The first try does not wait: a busy file is announced before it is waited for.
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=0");
    if (how == Access::Read)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    if (!db.open())
        failure = db.lastError();
}

HistoryConnection::~HistoryConnection()
{
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

bool HistoryConnection::begin()
{
    if (!db().isOpen())
        return false;
    if (access == Access::Write)
        return run(QStringLiteral("BEGIN IMMEDIATE"));
    // A deferred transaction locks for reading at its first read; the schema is read here, so
    // a busy file shows now and nothing later in the work can find it busy.
    if (!run(QStringLiteral("BEGIN")))
        return false;
    if (run(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        return true;
    rollback();
    return false;
}

bool HistoryConnection::commit()
{
    // Writing waits until the programs reading the file are done.
    if (run(QStringLiteral("COMMIT")))
        return true;
    rollback();
    return false;
}

void HistoryConnection::rollback()
{
    QSqlQuery(db()).exec(QStringLiteral("ROLLBACK"));
}

bool HistoryConnection::run(const QString &statement)
{
    for (;;) {
        QSqlQuery query(db());
        if (query.exec(statement))
            return true;
        failure = query.lastError();
        if (waited || !SqliteCode::isBusy(failure))
            return false;
        if (wait.announce)
            wait.announce();
        QSqlQuery(db()).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(wait.seconds * 1000));
        waited = true;
    }
}

bool HistoryConnection::stayedBusy() const
{
    return waited && SqliteCode::isBusy(failure);
}

bool HistoryConnection::notADatabase() const
{
    return SqliteCode::of(failure) == SqliteCode::NotADatabase;
}
