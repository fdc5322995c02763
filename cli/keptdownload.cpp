#include "keptdownload.h"

#include "historyfile.h"

#include <QSqlQuery>
#include <QVariant>

namespace
{

const QString CreateState = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS KeptDownload (records_announced INTEGER, records_received "
    "INTEGER)");

} // namespace

namespace KeptDownload
{

QString pathFor(const QString &target)
{
    return target + QStringLiteral(".download");
}

bool write(const QString &path, const DownloadOutcome &download, QString *error)
{
    const auto state = [&download](const QSqlDatabase &db, QSqlError *failed) {
        const auto fail = [failed](const QSqlQuery &query) {
            *failed = query.lastError();
            return false;
        };
        QSqlQuery create(db);
        if (!create.exec(CreateState))
            return fail(create);
        QSqlQuery empty(db);
        if (!empty.exec(QStringLiteral("DELETE FROM KeptDownload")))
            return fail(empty);
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO KeptDownload (records_announced, "
                                      "records_received) VALUES (:announced, :received)"));
        insert.bindValue(QStringLiteral(":announced"), download.total);
        insert.bindValue(QStringLiteral(":received"), download.received);
        return insert.exec() || fail(insert);
    };
    return HistoryFile::replaceRecords(path, download.records, error, state);
}

bool read(const QString &path, DownloadOutcome *download, QString *error)
{
    std::optional<std::pair<int, int>> counts;
    const auto state = [&counts](const QSqlDatabase &db, QSqlError *) {
        QSqlQuery query(db);
        if (query.exec(
                QStringLiteral("SELECT records_announced, records_received FROM KeptDownload")) &&
            query.next()) {
            counts = std::pair(query.value(0).toInt(), query.value(1).toInt());
            // One row or none: the file is no download kept whole.
            if (query.next())
                counts.reset();
        }
        return true;
    };
    QList<HistoryRecord> records;
    if (!HistoryFile::readRecords(path, &records, error, state))
        return false;
    // Every record lies among those that arrived, which are at most the count.
    const bool whole = counts && counts->second > 0 && counts->second <= counts->first &&
                       (records.isEmpty() || (records.first().record_index >= 1 &&
                                              records.last().record_index <= counts->second));
    if (!whole) {
        *error = QStringLiteral("%1 holds no download telvoro-cli kept").arg(path);
        return false;
    }
    download->total = counts->first;
    download->received = counts->second;
    download->records = records;
    return true;
}

} // namespace KeptDownload
