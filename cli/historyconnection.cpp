#include "historyconnection.h"

#include "sqlitereason.h"
#include "terminal.h"

#include <QSqlQuery>

HistoryConnection::HistoryConnection(const QString &file, Access how)
    : name(QStringLiteral("telvoro-cli-%1").arg(++made)), path(file), access(how)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
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
        const int code = sqliteCode(failure);
        if (waited || (code != SqliteCode::Busy && code != SqliteCode::Locked))
            return false;
        Terminal::note(QStringLiteral("%1 is busy (another program is using it): waiting up to "
                                      "%2 s")
                           .arg(path)
                           .arg(BusyWaitSeconds));
        QSqlQuery(db()).exec(
            QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyWaitSeconds * 1000));
        waited = true;
    }
}

QString HistoryConnection::reason() const
{
    const int code = sqliteCode(failure);
    if (waited && (code == SqliteCode::Busy || code == SqliteCode::Locked))
        return QStringLiteral("it stayed busy for %1 s: another program is using it")
            .arg(BusyWaitSeconds);
    return sqliteReason(failure);
}

bool HistoryConnection::notADatabase() const
{
    return sqliteCode(failure) == SqliteCode::NotADatabase;
}
