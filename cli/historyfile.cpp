#include "historyfile.h"

#include "historyconnection.h"
#include "historystore.h"
#include "outputfile.h"
#include "sqlitereason.h"
#include "targetfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStringList>

namespace
{

const QStringList Columns = {QStringLiteral("record_index"), QStringLiteral("data_type"),
                             QStringLiteral("avg_value"),    QStringLiteral("max_value"),
                             QStringLiteral("min_value"),    QStringLiteral("unit"),
                             QStringLiteral("battery")};

enum class Kind { History, Empty, Other };

/// What an open database holds: the history table with its columns, nothing at all, or
/// something else (other tables, the table with other columns).
Kind classify(const QSqlDatabase &db, QString *why)
{
    QSqlQuery tables(db);
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"))) {
        *why = sqliteReason(tables.lastError());
        return Kind::Other;
    }
    QStringList names;
    while (tables.next())
        names << tables.value(0).toString();
    names.removeAll(QStringLiteral("sqlite_sequence"));
    if (names.isEmpty())
        return Kind::Empty;
    if (!names.contains(QStringLiteral("HistoryData"))) {
        *why = QStringLiteral("it holds other tables (%1) and no HistoryData")
                   .arg(names.join(QStringLiteral(", ")));
        return Kind::Other;
    }
    QSqlQuery info(db);
    QStringList present;
    if (info.exec(QStringLiteral("PRAGMA table_info(HistoryData)"))) {
        while (info.next())
            present << info.value(1).toString();
    }
    for (const QString &column : Columns) {
        if (!present.contains(column)) {
            *why = QStringLiteral("its HistoryData has no column %1").arg(column);
            return Kind::Other;
        }
    }
    return Kind::History;
}

QString notHistory(const QString &path, const QString &why)
{
    return QStringLiteral("%1 is not a history database: %2").arg(path, why);
}

QString cannot(const char *verb, const QString &path, const QString &why)
{
    return QStringLiteral("cannot %1 %2: %3").arg(QLatin1String(verb), path, why);
}

/// Begins work on `connection` to `path`; on failure `error` says why, `verb` naming the work.
bool begin(HistoryConnection &connection, const QString &path, const char *verb, QString *error)
{
    if (connection.begin())
        return true;
    *error = connection.notADatabase() ? notHistory(path, connection.reason())
                                       : cannot(verb, path, connection.reason());
    return false;
}

/// Begins reading an existing history database; on failure `error` says why.
bool beginReading(HistoryConnection &connection, const QString &path, QString *error)
{
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("%1: no such database").arg(path);
        return false;
    }
    if (!begin(connection, path, "read", error))
        return false;
    QString why;
    const Kind kind = classify(connection.db(), &why);
    if (kind == Kind::History)
        return true;
    connection.rollback();
    *error = notHistory(path, kind == Kind::Empty ? QStringLiteral("it holds no table HistoryData")
                                                  : why);
    return false;
}

} // namespace

namespace HistoryFile
{

bool checkReplaceable(const QString &path, QString *error)
{
    // SQLite writes its journal beside the database, so the folder must take new files too.
    const QString why = TargetFile::whyNotWritable(path);
    if (!why.isEmpty()) {
        *error = cannot("write", path, why);
        return false;
    }
    const QFileInfo file(path);
    if (!file.exists())
        return true;
    if (!file.isFile()) {
        *error = cannot("write", path, QStringLiteral("it is not a regular file"));
        return false;
    }
    // Taking the writer's lock, and giving it back, tells whether another program writes.
    HistoryConnection connection(path, HistoryConnection::Access::Write);
    if (!begin(connection, path, "write", error))
        return false;
    QString what;
    const bool other = classify(connection.db(), &what) == Kind::Other;
    connection.rollback();
    if (other)
        *error = notHistory(path, what);
    return !other;
}

bool replaceRecords(const QString &path, const QList<HistoryRecord> &records, QString *error,
                    const MoreWork &more)
{
    const bool existed = QFileInfo::exists(path);
    bool replaced = false;
    {
        HistoryConnection connection(path, HistoryConnection::Access::Write);
        if (begin(connection, path, "write", error)) {
            const QSqlDatabase db = connection.db();
            QString what;
            if (classify(db, &what) == Kind::Other) {
                connection.rollback();
                *error = notHistory(path, what);
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
                    *error = cannot("write", path, connection.reason());
            }
        }
    }
    if (!replaced && !existed)
        QFile::remove(path);
    return replaced;
}

bool checkExisting(const QString &path, QString *error)
{
    HistoryConnection connection(path, HistoryConnection::Access::Read);
    if (!beginReading(connection, path, error))
        return false;
    connection.rollback();
    return true;
}

bool readRecords(const QString &path, QList<HistoryRecord> *records, QString *error,
                 const MoreWork &more)
{
    HistoryConnection connection(path, HistoryConnection::Access::Read);
    if (!beginReading(connection, path, error))
        return false;
    bool ok = false;
    QSqlError failed;
    *records = HistoryStore::all(connection.db(), &ok, &failed);
    ok = ok && (!more || more(connection.db(), &failed));
    if (!ok)
        connection.failed(failed);
    connection.rollback();
    if (!ok)
        *error = cannot("read", path, connection.reason());
    return ok;
}

bool checkApart(const QString &path, const QString &output, QString *error)
{
    if (!OutputFile::sameFile(path, output))
        return true;
    *error = QStringLiteral("cannot write %1: it is the history database").arg(output);
    return false;
}

bool clearRecords(const QString &path, QString *error)
{
    if (!checkExisting(path, error))
        return false;
    HistoryConnection connection(path, HistoryConnection::Access::Write);
    if (!begin(connection, path, "empty", error))
        return false;
    QSqlError failed;
    if (HistoryStore::clear(connection.db(), &failed)) {
        if (connection.commit())
            return true;
    } else {
        connection.failed(failed);
        connection.rollback();
    }
    *error = cannot("empty", path, connection.reason());
    return false;
}

} // namespace HistoryFile
