#include "historydatabase.h"

#include "historystore.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QVariant>

namespace
{

using Cause = HistoryFault::Cause;

bool refused(const HistoryConnection &connection, Cause cause, HistoryFault *fault)
{
    fault->cause = cause;
    fault->error = connection.error();
    fault->stayedBusy = connection.stayedBusy();
    return false;
}

/// Begins work on `connection`; on failure `fault` says why.
bool begin(HistoryConnection &connection, HistoryFault *fault)
{
    if (connection.begin())
        return true;
    return refused(connection, connection.notADatabase() ? Cause::NotSqlite : Cause::Refused,
                   fault);
}

/// Begins reading an existing history database; on failure `fault` says why.
bool beginReading(HistoryConnection &connection, const QString &path, HistoryFault *fault)
{
    if (!QFileInfo(path).isFile()) {
        fault->cause = Cause::NoSuchFile;
        return false;
    }
    if (!begin(connection, fault))
        return false;
    const HistoryDatabase::Content content = HistoryDatabase::inspect(connection.db(), fault);
    if (content == HistoryDatabase::Content::History)
        return true;
    connection.rollback();
    if (content == HistoryDatabase::Content::Empty)
        fault->cause = Cause::NoTable;
    return false;
}

} // namespace

namespace HistoryDatabase
{

Content inspect(const QSqlDatabase &db, HistoryFault *fault)
{
    QSqlQuery tables(db);
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"))) {
        fault->cause = Cause::Unreadable;
        fault->error = tables.lastError();
        return Content::Other;
    }
    QStringList names;
    while (tables.next())
        names << tables.value(0).toString();
    names.removeAll(QStringLiteral("sqlite_sequence"));
    if (names.isEmpty())
        return Content::Empty;
    if (!names.contains(QStringLiteral("HistoryData"))) {
        fault->cause = Cause::OtherTables;
        fault->tables = names;
        return Content::Other;
    }
    QSqlQuery info(db);
    QStringList present;
    if (info.exec(QStringLiteral("PRAGMA table_info(HistoryData)"))) {
        while (info.next())
            present << info.value(1).toString();
    }
    for (const QString &column : HistoryStore::columns()) {
        if (!present.contains(column)) {
            fault->cause = Cause::MissingColumn;
            fault->column = column;
            return Content::Other;
        }
    }
    return Content::History;
}

bool checkReplaceable(const QString &path, const BusyWait &busy, HistoryFault *fault)
{
    if (!QFileInfo::exists(path))
        return true;
    // Taking the writer's lock, and giving it back, tells whether another program writes.
    HistoryConnection connection(path, HistoryConnection::Access::Write, busy);
    if (!begin(connection, fault))
        return false;
    const bool other = inspect(connection.db(), fault) == Content::Other;
    connection.rollback();
    return !other;
}

bool replaceRecords(const QString &path, const QList<HistoryRecord> &records, const BusyWait &busy,
                    HistoryFault *fault, const MoreWork &more)
{
    const bool existed = QFileInfo::exists(path);
    bool replaced = false;
    {
        HistoryConnection connection(path, HistoryConnection::Access::Write, busy);
        if (begin(connection, fault)) {
            const QSqlDatabase db = connection.db();
            if (inspect(db, fault) == Content::Other) {
                connection.rollback();
            } else {
                QSqlError failed;
                replaced =
                    HistoryStore::createTable(db, &failed) && HistoryStore::clear(db, &failed);
                for (qsizetype i = 0; replaced && i < records.size(); ++i)
                    replaced = HistoryStore::insert(db, records[i], &failed);
                replaced = replaced && (!more || more(db, &failed));
                if (!replaced) {
                    connection.failed(failed);
                    connection.rollback();
                } else {
                    replaced = connection.commit();
                }
                if (!replaced)
                    refused(connection, Cause::Refused, fault);
            }
        }
    }
    if (!replaced && !existed)
        QFile::remove(path);
    return replaced;
}

bool readRecords(const QString &path, QList<HistoryRecord> *records, const BusyWait &busy,
                 HistoryFault *fault, const MoreWork &more)
{
    HistoryConnection connection(path, HistoryConnection::Access::Read, busy);
    if (!beginReading(connection, path, fault))
        return false;
    bool ok = false;
    QSqlError failed;
    *records = HistoryStore::all(connection.db(), &ok, &failed);
    ok = ok && (!more || more(connection.db(), &failed));
    if (!ok)
        connection.failed(failed);
    connection.rollback();
    return ok || refused(connection, Cause::Refused, fault);
}

bool checkExisting(const QString &path, const BusyWait &busy, HistoryFault *fault)
{
    HistoryConnection connection(path, HistoryConnection::Access::Read, busy);
    if (!beginReading(connection, path, fault))
        return false;
    connection.rollback();
    return true;
}

bool clearRecords(const QString &path, const BusyWait &busy, HistoryFault *fault)
{
    HistoryConnection connection(path, HistoryConnection::Access::Write, busy);
    if (!begin(connection, fault))
        return false;
    QSqlError failed;
    if (HistoryStore::clear(connection.db(), &failed)) {
        if (connection.commit())
            return true;
    } else {
        connection.failed(failed);
        connection.rollback();
    }
    return refused(connection, Cause::Refused, fault);
}

} // namespace HistoryDatabase
