#include "historyfile.h"

#include "historystore.h"
#include "outputfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace
{

const QStringList Columns = {QStringLiteral("record_index"), QStringLiteral("data_type"),
                             QStringLiteral("avg_value"),    QStringLiteral("max_value"),
                             QStringLiteral("min_value"),    QStringLiteral("unit"),
                             QStringLiteral("battery")};

/// A connection of its own to one file, gone with this object.
class Connection
{
public:
    Connection(const QString &path, bool readOnly)
        : name(QStringLiteral("telvoro-cli-%1").arg(++made))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            openError = db.lastError().text();
    }
    ~Connection()
    {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }
    bool isOpen() const { return openError.isNull(); }
    QString openError;

private:
    static inline int made = 0;
    const QString name;
};

enum class Kind { History, Empty, Other };

/// What an open database holds: the history table with its columns, nothing at all, or
/// something else (not a database, other tables, the table with other columns).
Kind classify(const QSqlDatabase &db, QString *why)
{
    QSqlQuery tables(db);
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"))) {
        *why = tables.lastError().text();
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

bool folderWritable(const QString &path, QString *error)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (folder.isDir() && folder.isWritable())
        return true;
    *error = QStringLiteral("cannot write %1: %2 is not a folder that can be written")
                 .arg(path, QDir::toNativeSeparators(folder.filePath()));
    return false;
}

} // namespace

namespace HistoryFile
{

bool checkReplaceable(const QString &path, QString *error)
{
    const QFileInfo file(path);
    if (!file.exists())
        return folderWritable(path, error);
    if (!file.isFile() || !file.isWritable()) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    // SQLite writes its journal beside the database.
    if (!folderWritable(path, error))
        return false;
    const Connection connection(path, true);
    if (!connection.isOpen()) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, connection.openError);
        return false;
    }
    QString why;
    if (classify(connection.db(), &why) == Kind::Other) {
        *error = notHistory(path, why);
        return false;
    }
    return true;
}

bool replaceRecords(const QString &path, const QList<HistoryRecord> &records, QString *error)
{
    const bool existed = QFileInfo::exists(path);
    bool replaced = false;
    {
        const Connection connection(path, false);
        QSqlDatabase db = connection.db();
        QString why;
        if (!connection.isOpen()) {
            why = connection.openError;
        } else if (classify(db, &why) == Kind::Other) {
            *error = notHistory(path, why);
        } else if (!db.transaction()) {
            why = db.lastError().text();
        } else {
            replaced = HistoryStore::createTable(db, &why) && HistoryStore::clear(db);
            for (qsizetype i = 0; replaced && i < records.size(); ++i)
                replaced = HistoryStore::insert(db, records[i], &why);
            if (replaced && !db.commit())
                replaced = false;
            if (!replaced) {
                if (why.isEmpty())
                    why = db.lastError().text();
                db.rollback();
            }
        }
        if (!replaced && error->isEmpty())
            *error = QStringLiteral("cannot write %1: %2").arg(path, why);
    }
    if (!replaced && !existed)
        QFile::remove(path);
    return replaced;
}

bool checkExisting(const QString &path, QString *error)
{
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("%1: no such database").arg(path);
        return false;
    }
    const Connection connection(path, true);
    QString why;
    if (!connection.isOpen())
        why = connection.openError;
    else if (classify(connection.db(), &why) == Kind::Empty)
        why = QStringLiteral("it holds no table HistoryData");
    else if (why.isEmpty())
        return true;
    *error = notHistory(path, why);
    return false;
}

bool readRecords(const QString &path, QList<HistoryRecord> *records, QString *error)
{
    if (!checkExisting(path, error))
        return false;
    const Connection connection(path, true);
    bool ok = false;
    *records = HistoryStore::all(connection.db(), &ok);
    if (!ok)
        *error = QStringLiteral("cannot read %1").arg(path);
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
    const Connection connection(path, false);
    if (connection.isOpen() && HistoryStore::clear(connection.db()))
        return true;
    *error = QStringLiteral("cannot empty %1: %2")
                 .arg(path, connection.isOpen() ? connection.db().lastError().text()
                                                : connection.openError);
    return false;
}

} // namespace HistoryFile
