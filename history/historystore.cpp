#include "historystore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace
{

const QString SelectColumns = QStringLiteral("SELECT ") +
                              HistoryStore::columns().join(QStringLiteral(", ")) +
                              QStringLiteral(" FROM HistoryData ORDER BY record_index ASC");

HistoryRecord readRecord(const QSqlQuery &query)
{
    HistoryRecord record;
    record.record_index = query.value(0).toInt();
    record.data_type = query.value(1).toString();
    record.avg_value = query.value(2).toDouble();
    record.max_value = query.value(3).toDouble();
    record.min_value = query.value(4).toDouble();
    record.unit = query.value(5).toString();
    record.battery = query.value(6).toInt();
    return record;
}

QList<HistoryRecord> readAll(QSqlQuery &query)
{
    QList<HistoryRecord> records;
    while (query.next())
        records << readRecord(query);
    return records;
}

} // namespace

namespace HistoryStore
{

QStringList columns()
{
    return {QStringLiteral("record_index"), QStringLiteral("data_type"),
            QStringLiteral("avg_value"),    QStringLiteral("max_value"),
            QStringLiteral("min_value"),    QStringLiteral("unit"),
            QStringLiteral("battery")};
}

const char *const CreateTableSql = R"(
        CREATE TABLE IF NOT EXISTS HistoryData (
            record_index INTEGER PRIMARY KEY,
            data_type TEXT,
            avg_value REAL,
            max_value REAL,
            min_value REAL,
            unit TEXT,
            battery INTEGER
        )
    )";

bool createTable(const QSqlDatabase &db, QSqlError *error)
{
    QSqlQuery query(db);
    if (query.exec(QString::fromUtf8(CreateTableSql)))
        return true;
    if (error)
        *error = query.lastError();
    return false;
}

bool createTable(const QSqlDatabase &db, QString *error)
{
    QSqlError failed;
    if (createTable(db, &failed))
        return true;
    if (error)
        *error = failed.text();
    return false;
}

bool insert(const QSqlDatabase &db, const HistoryRecord &record, QSqlError *error)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT OR REPLACE INTO HistoryData (record_index, data_type, avg_value, max_value, "
        "min_value, unit, battery) VALUES (:index, :type, :avg, :max, :min, :unit, :battery)"));
    query.bindValue(QStringLiteral(":index"), record.record_index);
    query.bindValue(QStringLiteral(":type"), record.data_type);
    query.bindValue(QStringLiteral(":avg"), record.avg_value);
    query.bindValue(QStringLiteral(":max"), record.max_value);
    query.bindValue(QStringLiteral(":min"), record.min_value);
    query.bindValue(QStringLiteral(":unit"), record.unit);
    query.bindValue(QStringLiteral(":battery"), record.battery);
    if (query.exec())
        return true;
    if (error)
        *error = query.lastError();
    return false;
}

bool insert(const QSqlDatabase &db, const HistoryRecord &record, QString *error)
{
    QSqlError failed;
    if (insert(db, record, &failed))
        return true;
    if (error)
        *error = failed.text();
    return false;
}

int count(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM HistoryData")) && query.next())
        return query.value(0).toInt();
    return 0;
}

std::optional<QList<HistoryRecord>> page(const QSqlDatabase &db, int limit, int offset)
{
    QSqlQuery query(db);
    query.prepare(SelectColumns + QStringLiteral(" LIMIT :limit OFFSET :offset"));
    query.bindValue(QStringLiteral(":limit"), limit);
    query.bindValue(QStringLiteral(":offset"), offset);
    if (!query.exec())
        return std::nullopt;
    return readAll(query);
}

QList<HistoryRecord> all(const QSqlDatabase &db, bool *ok, QSqlError *error)
{
    QSqlQuery query(db);
    // Read once, front to back: the driver need not keep the rows it has handed out.
    query.setForwardOnly(true);
    const bool read = query.exec(SelectColumns);
    if (ok)
        *ok = read;
    if (!read) {
        if (error)
            *error = query.lastError();
        return {};
    }
    return readAll(query);
}

bool clear(const QSqlDatabase &db, QSqlError *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("DELETE FROM HistoryData"))) {
        if (error)
            *error = query.lastError();
        return false;
    }
    // HistoryData declares no AUTOINCREMENT, so this table may not exist.
    query.exec(QStringLiteral("DELETE FROM sqlite_sequence WHERE name='HistoryData'"));
    return true;
}

} // namespace HistoryStore
