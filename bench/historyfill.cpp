#include "historyfill.h"

#include "benchline.h"
#include "historyrecord.h"
#include "historystore.h"
#include "recordgenerator.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QStandardPaths>

namespace bench
{

namespace
{

const QString FillConnection = QStringLiteral("bench-fill");

bool fill(QSqlDatabase &db, int count, QString *error)
{
    if (!db.open()) {
        *error = db.lastError().text();
        return false;
    }
    if (!HistoryStore::createTable(db, error))
        return false;
    // The console's own insert, in one transaction: a commit per record would take minutes.
    db.transaction();
    for (int n = 1; n <= count; ++n) {
        // The generator's numbers end at its maximum; the contents repeat from there on.
        const auto number = std::uint16_t((n - 1) % sim::MaxRecordCount + 1);
        const protocol::InstrumentFrame frame = sim::generateRecord(1, number);
        std::optional<HistoryRecord> record = decodeHistoryRecord(frame.data(), n);
        if (!record)
            record =
                HistoryRecord{n, QStringLiteral("接地电阻"), 1.0, 1.0, 1.0, QStringLiteral("Ω"), 0};
        if (!HistoryStore::insert(db, *record, error)) {
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        return false;
    }
    return true;
}

} // namespace

bool fillHistory(const QString &path, int count, QString *error)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FillConnection);
        db.setDatabaseName(path);
        ok = fill(db, count, error);
        db.close();
    }
    QSqlDatabase::removeDatabase(FillConnection);
    return ok;
}

QString sqlite3WithHistory(const QString &path, int count, const QString &name)
{
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty()) {
        printNotice(name, QStringLiteral("skipped: no sqlite3 program (scripts/deps.sh sqlite3)"));
        return {};
    }
    QString error;
    if (!fillHistory(path, count, &error)) {
        printNotice(name, error);
        return {};
    }
    return sqlite3;
}

} // namespace bench
