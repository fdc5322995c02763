// The history's pure units: record decoding, cell rules, the SQL store, a database file worked
// on whole, kΩ in ohms, the CSV file and the output file.
#include "csvreport.h"
#include "historycell.h"
#include "historydatabase.h"
#include "historyrecord.h"
#include "historystore.h"
#include "knownframes.h"
#include "ohms.h"
#include "outputfile.h"
#include "protocol.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>

#ifdef Q_OS_LINUX
#include <sys/resource.h>

#include <csignal>
#endif

Q_DECLARE_METATYPE(std::optional<Qt::Alignment>)
Q_DECLARE_METATYPE(HistoryRecord)

namespace
{

HistoryRecord record(int index, const QString &type, double avg, double max, double min,
                     const QString &unit, int battery)
{
    return HistoryRecord{index, type, avg, max, min, unit, battery};
}

const QString Earth = QStringLiteral("接地电阻");
const QString Ac = QStringLiteral("交流电压");
const QString Dc = QStringLiteral("直流电压");
const QString Ohm = QStringLiteral("Ω");
const QString KiloOhm = QStringLiteral("kΩ");
const QString Volt = QStringLiteral("V");

using Cause = HistoryFault::Cause;

/// An SQLite file at `path` made by `statements`; false when one failed.
bool makeDatabase(const QString &path, const QStringList &statements)
{
    bool made = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
        db.setDatabaseName(path);
        made = db.open();
        for (const QString &statement : statements)
            made = made && QSqlQuery(db).exec(statement);
        db.close();
    }
    QSqlDatabase::removeDatabase(path);
    return made;
}

/// A history of `count` resistance records numbered from 1, with `average` as their average.
bool makeHistory(const QString &path, int count, double average)
{
    QStringList statements = {QString::fromUtf8(HistoryStore::CreateTableSql)};
    for (int i = 1; i <= count; ++i)
        statements << QStringLiteral("INSERT INTO HistoryData VALUES (%1, '接地电阻', %2, %2, %2, "
                                     "'Ω', 0)")
                          .arg(i)
                          .arg(average);
    return makeDatabase(path, statements);
}

/// What the file at `path` holds; nothing when there is none.
QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<int> numbers(const QList<HistoryRecord> &records)
{
    QList<int> out;
    for (const HistoryRecord &r : records)
        out << r.record_index;
    return out;
}

/// Waits for nothing; counts how often it was told.
BusyWait counted(int *announced)
{
    return {0, [announced] { ++*announced; }};
}

} // namespace

class TestHistoryUnits : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        const QString name = QString::fromLatin1(QTest::currentTestFunction());
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dir.filePath(name + QStringLiteral(".db")));
        QVERIFY(db.open());
        QVERIFY(HistoryStore::createTable(db));
    }

    void cleanup()
    {
        const QString name = db.connectionName();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }

    void decodesRecordFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("type");
        QTest::addColumn<double>("avg");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("min");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("battery");

        const auto frame = [](std::uint8_t mode, std::uint8_t battery, std::uint16_t a,
                              std::uint16_t b, std::uint16_t c, std::uint16_t marker) {
            const protocol::InstrumentFrame f =
                protocol::buildFrame(mode, battery, a, b, c, marker);
            return QByteArray(reinterpret_cast<const char *>(f.data()), int(f.size()));
        };
        const auto &known = knownframes::RecordThreeKiloOhms;

        // Kilo-ohms stay in kilo-ohms; the marker (record 3) plays no part.
        QTest::newRow("kind 3, known record 3")
            << QByteArray(reinterpret_cast<const char *>(known.data()), int(known.size())) << true
            << Earth << 12.3 << 15.0 << 10.0 << KiloOhm << 1;
        QTest::newRow("kind 1, two decimals") << frame(0x12, 0, 1234, 1300, 1200, 1) << true
                                              << Earth << 12.34 << 13.0 << 12.0 << Ohm << 0;
        QTest::newRow("kind 1, over range max") << frame(0x11, 0, 55, 10000, 50, 1) << true << Earth
                                                << 5.5 << 999999.0 << 5.0 << Ohm << 0;
        QTest::newRow("kind 2, ac volts")
            << frame(0x20, 0, 230, 0, 0, 1) << true << Ac << 230.0 << 0.0 << 0.0 << Volt << 0;
        QTest::newRow("kind 4, dc volts")
            << frame(0x41, 2, 125, 0, 0, 1) << true << Dc << 12.5 << 0.0 << 0.0 << Volt << 2;
        // Only the average of a reversed DC voltage is negative.
        QTest::newRow("kind 5, reversed")
            << frame(0x51, 0, 250, 300, 200, 7) << true << Dc << -25.0 << 30.0 << 20.0 << Volt << 0;
        QTest::newRow("kind 5, over range stays positive")
            << frame(0x51, 0, 10000, 300, 200, 7) << true << Dc << 999999.0 << 30.0 << 20.0 << Volt
            << 0;
        QTest::newRow("kind 0") << frame(0x01, 0, 1, 1, 1, 1) << false << QString() << 0.0 << 0.0
                                << 0.0 << QString() << 0;
        QTest::newRow("kind 6") << frame(0x61, 0, 1, 1, 1, 1) << false << QString() << 0.0 << 0.0
                                << 0.0 << QString() << 0;
        QTest::newRow("kind 15") << frame(0xF1, 0, 1, 1, 1, 1) << false << QString() << 0.0 << 0.0
                                 << 0.0 << QString() << 0;
    }

    void decodesRecordFrames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, stored);
        const auto decoded =
            decodeHistoryRecord(reinterpret_cast<const std::uint8_t *>(frame.constData()), 42);
        QCOMPARE(decoded.has_value(), stored);
        if (!stored)
            return;
        QCOMPARE(decoded->record_index, 42);
        QTEST(decoded->data_type, "type");
        QTEST(decoded->avg_value, "avg");
        QTEST(decoded->max_value, "max");
        QTEST(decoded->min_value, "min");
        QTEST(decoded->unit, "unit");
        QTEST(decoded->battery, "battery");
    }

    void formatsValuesLikePrintfG_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("rounds to six digits") << 1234.5678 << QStringLiteral("1234.57");
        QTest::newRow("fraction") << 0.5 << QStringLiteral("0.5");
        QTest::newRow("trailing zeros dropped") << 15.0 << QStringLiteral("15");
        QTest::newRow("integer") << 100000.0 << QStringLiteral("100000");
        QTest::newRow("six digits, rounded") << 123456.7 << QStringLiteral("123457");
        QTest::newRow("exact tie to even") << 123456.5 << QStringLiteral("123456");
        QTest::newRow("just below OL") << 999998.0 << QStringLiteral("999998");
        QTest::newRow("small keeps fixed") << 0.0001 << QStringLiteral("0.0001");
        QTest::newRow("smaller is scientific") << 0.00001234 << QStringLiteral("1.234e-05");
        QTest::newRow("negative dc") << -12.3 << QStringLiteral("-12.3");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0");
        QTest::newRow("negative zero reads as zero") << -0.0 << QStringLiteral("0");
        QTest::newRow("over range value") << 999999.0 << QStringLiteral("OL");
        QTest::newRow("above over range") << 1234567.0 << QStringLiteral("OL");
    }

    void formatsValuesLikePrintfG()
    {
        QFETCH(double, value);
        QTEST(HistoryCells::formatValue(value), "text");
    }

    void rowCells_data()
    {
        QTest::addColumn<HistoryRecord>("rec");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<Qt::Alignment>>("alignment");
        QTest::addColumn<QString>("colour");

        const std::optional<Qt::Alignment> none;
        const std::optional<Qt::Alignment> right = Qt::AlignRight | Qt::AlignVCenter;
        const std::optional<Qt::Alignment> centre = Qt::Alignment(Qt::AlignCenter);
        const QString red = QStringLiteral("#EF5350");
        const QString green = QStringLiteral("#4CAF50");

        const HistoryRecord ohms = record(7, Earth, 1234.5678, 15, 0.5, Ohm, 0);
        QTest::newRow("index") << ohms << 0 << QStringLiteral("7") << none << QString();
        QTest::newRow("type") << ohms << 1 << Earth << none << QString();
        QTest::newRow("avg") << ohms << 2 << QStringLiteral("1234.57") << right << QString();
        QTest::newRow("max") << ohms << 3 << QStringLiteral("15") << right << QString();
        QTest::newRow("min") << ohms << 4 << QStringLiteral("0.5") << right << QString();
        QTest::newRow("unit") << ohms << 5 << Ohm << none << QString();
        QTest::newRow("battery normal") << ohms << 6 << QStringLiteral("正常") << centre << green;

        // Only the maximum column colours an over-range value.
        const HistoryRecord over = record(8, Earth, 999999, 999999, 1e7, KiloOhm, 2);
        QTest::newRow("OL avg default colour")
            << over << 2 << QStringLiteral("OL") << right << QString();
        QTest::newRow("OL max red") << over << 3 << QStringLiteral("OL") << right << red;
        QTest::newRow("OL min default colour")
            << over << 4 << QStringLiteral("OL") << right << QString();
        QTest::newRow("battery 2 is low") << over << 6 << QStringLiteral("低电量") << centre << red;

        const HistoryRecord dc = record(9, Dc, -12.3, 999999, 20, Volt, 1);
        QTest::newRow("voltage in avg") << dc << 2 << QStringLiteral("-12.3") << right << QString();
        QTest::newRow("voltage max hidden, even OL")
            << dc << 3 << QStringLiteral("---") << centre << QString();
        QTest::newRow("voltage min hidden")
            << dc << 4 << QStringLiteral("---") << centre << QString();

        const HistoryRecord ac = record(10, Ac, 230, 1, 1, Volt, 0);
        QTest::newRow("ac max hidden") << ac << 3 << QStringLiteral("---") << centre << QString();
        // "电压" decides, not the unit.
        const HistoryRecord oddUnit = record(11, Earth, 1, 2, 3, Volt, 0);
        QTest::newRow("unit V alone is not voltage")
            << oddUnit << 3 << QStringLiteral("2") << right << QString();
    }

    void rowCells()
    {
        QFETCH(HistoryRecord, rec);
        QFETCH(int, column);
        const QList<HistoryCell> cells = HistoryCells::rowCells(rec);
        QCOMPARE(cells.size(), HistoryCells::ColumnCount);
        QTEST(cells[column].text, "text");
        QTEST(cells[column].alignment, "alignment");
        QTEST(cells[column].colour, "colour");
    }

    void createStatementIsExact()
    {
        QCOMPARE(QByteArray(HistoryStore::CreateTableSql),
                 QByteArray("\n        CREATE TABLE IF NOT EXISTS HistoryData (\n"
                            "            record_index INTEGER PRIMARY KEY,\n"
                            "            data_type TEXT,\n"
                            "            avg_value REAL,\n"
                            "            max_value REAL,\n"
                            "            min_value REAL,\n"
                            "            unit TEXT,\n"
                            "            battery INTEGER\n"
                            "        )\n    "));
        // It runs twice without complaint, as on every start.
        QVERIFY(HistoryStore::createTable(db));
        QSqlQuery query(db);
        QVERIFY(
            query.exec(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'HistoryData'")));
        QVERIFY(query.next());
        QVERIFY(
            query.value(0).toString().contains(QStringLiteral("record_index INTEGER PRIMARY KEY")));
    }

    void storesReplacesAndOrders()
    {
        QVERIFY(HistoryStore::insert(db, record(3, Earth, 1, 2, 3, Ohm, 0)));
        QVERIFY(HistoryStore::insert(db, record(1, Dc, -25, 30, 20, Volt, 1)));
        QVERIFY(HistoryStore::insert(db, record(2, Earth, 999999, 999999, 999999, KiloOhm, 0)));
        // Same number again: the row is replaced, not added.
        QVERIFY(HistoryStore::insert(db, record(3, Ac, 230, 0, 0, Volt, 2)));
        QCOMPARE(HistoryStore::count(db), 3);

        const QList<HistoryRecord> all = HistoryStore::all(db);
        QCOMPARE(all.size(), 3);
        QCOMPARE(all[0].record_index, 1);
        QCOMPARE(all[0].data_type, Dc);
        QCOMPARE(all[0].avg_value, -25.0);
        QCOMPARE(all[0].battery, 1);
        QCOMPARE(all[1].record_index, 2);
        QCOMPARE(all[1].max_value, 999999.0);
        QCOMPARE(all[1].unit, KiloOhm);
        QCOMPARE(all[2].record_index, 3);
        QCOMPARE(all[2].data_type, Ac);
        QCOMPARE(all[2].avg_value, 230.0);
        QCOMPARE(all[2].battery, 2);
    }

    void pagesByLimitAndOffset()
    {
        for (int i = 25; i >= 1; --i)
            QVERIFY(HistoryStore::insert(db, record(i, Earth, i, i, i, Ohm, 0)));
        const auto third = HistoryStore::page(db, 10, 20);
        QVERIFY(third.has_value());
        QCOMPARE(third->size(), 5);
        QCOMPARE(third->first().record_index, 21);
        QCOMPARE(third->last().record_index, 25);
        const auto beyond = HistoryStore::page(db, 10, 30);
        QVERIFY(beyond.has_value());
        QVERIFY(beyond->isEmpty());
    }

    void clearEmptiesAndRepeats()
    {
        QVERIFY(HistoryStore::insert(db, record(1, Earth, 1, 1, 1, Ohm, 0)));
        QVERIFY(HistoryStore::clear(db));
        QCOMPARE(HistoryStore::count(db), 0);
        QVERIFY(HistoryStore::clear(db));
    }

    void failuresOnAClosedStore()
    {
        db.close();
        QString error;
        QVERIFY(!HistoryStore::insert(db, record(1, Earth, 1, 1, 1, Ohm, 0), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(HistoryStore::count(db), 0);
        QVERIFY(!HistoryStore::page(db, 10, 0).has_value());
        QVERIFY(HistoryStore::all(db).isEmpty());
        QVERIFY(!HistoryStore::clear(db));
    }

    void inOhms_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("ohms");
        QTest::newRow("ohms") << 12.34 << Ohm << 12.34;
        QTest::newRow("kilo-ohms") << 1.25 << KiloOhm << 1250.0;
        QTest::newRow("kilo-ohms over range") << 999999.0 << KiloOhm << 999999.0;
        QTest::newRow("above over range") << 1234567.0 << KiloOhm << 1234567.0;
        QTest::newRow("volts as they are") << 230.0 << Volt << 230.0;
    }

    void inOhms()
    {
        QFETCH(double, value);
        QFETCH(QString, unit);
        QTEST(toOhms(value, unit), "ohms");
    }

    // What a database file holds decides whether it is read, and whether a download may
    // replace its records; neither check changes the file or makes one.
    void checksTheFile_data()
    {
        QTest::addColumn<QStringList>("statements"); // none: no file; "text": a text file
        QTest::addColumn<int>("reading");
        QTest::addColumn<int>("replacing");
        QTest::addColumn<QString>("detail");
        const QString create = QString::fromUtf8(HistoryStore::CreateTableSql);
        QTest::newRow("a history")
            << QStringList{create} << int(Cause::None) << int(Cause::None) << QString();
        QTest::newRow("a history with a table of its own")
            << QStringList{create, QStringLiteral("CREATE TABLE Notes (text TEXT)")}
            << int(Cause::None) << int(Cause::None) << QString();
        QTest::newRow("an empty database") << QStringList{QStringLiteral("PRAGMA user_version = 1")}
                                           << int(Cause::NoTable) << int(Cause::None) << QString();
        QTest::newRow("other tables")
            << QStringList{QStringLiteral("CREATE TABLE Orders (id INTEGER)"),
                           QStringLiteral("CREATE TABLE Stock (id INTEGER)")}
            << int(Cause::OtherTables) << int(Cause::OtherTables) << "Orders,Stock";
        QTest::newRow("a HistoryData of other columns")
            << QStringList{QStringLiteral("CREATE TABLE HistoryData (record_index INTEGER, "
                                          "data_type TEXT, avg_value REAL, max_value REAL, "
                                          "min_value REAL, unit TEXT)")}
            << int(Cause::MissingColumn) << int(Cause::MissingColumn) << "battery";
        QTest::newRow("a text file") << QStringList{QStringLiteral("text")} << int(Cause::NotSqlite)
                                     << int(Cause::NotSqlite) << QString();
        QTest::newRow("no file") << QStringList() << int(Cause::NoSuchFile) << int(Cause::None)
                                 << QString();
    }

    void checksTheFile()
    {
        QFETCH(QStringList, statements);
        QFETCH(int, reading);
        QFETCH(int, replacing);
        QFETCH(QString, detail);
        const QString path = dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        if (statements == QStringList{QStringLiteral("text")}) {
            QFile text(path);
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write("not a database\n");
        } else if (!statements.isEmpty()) {
            QVERIFY(makeDatabase(path, statements));
        }
        const QByteArray before = bytesOf(path);
        int announced = 0;

        HistoryFault read;
        QCOMPARE(HistoryDatabase::checkExisting(path, counted(&announced), &read),
                 reading == int(Cause::None));
        QCOMPARE(int(read.cause), reading);
        HistoryFault replace;
        QCOMPARE(HistoryDatabase::checkReplaceable(path, counted(&announced), &replace),
                 replacing == int(Cause::None));
        QCOMPARE(int(replace.cause), replacing);
        for (const HistoryFault &fault : {read, replace}) {
            if (fault.cause == Cause::OtherTables)
                QCOMPARE(fault.tables.join(u','), detail);
            if (fault.cause == Cause::MissingColumn)
                QCOMPARE(fault.column, detail);
        }
        QCOMPARE(announced, 0);
        QCOMPARE(QFile::exists(path), !statements.isEmpty());
        QCOMPARE(bytesOf(path), before);
    }

    // Every record is replaced, or none: a failure part-way leaves the file as it was, and
    // removes a file that was made for the work.
    void replacesInOneTransaction()
    {
        const QString path = dir.filePath(QStringLiteral("replaced.db"));
        QVERIFY(makeHistory(path, 3, 1.5));
        const QList<HistoryRecord> fresh = {record(7, Dc, -25, 30, 20, Volt, 1),
                                            record(2, Earth, 12.3, 15, 10, KiloOhm, 0)};
        const HistoryDatabase::MoreWork failing = [](const QSqlDatabase &file, QSqlError *error) {
            QSqlQuery query(file);
            if (query.exec(QStringLiteral("INSERT INTO NoSuchTable VALUES (1)")))
                return true;
            *error = query.lastError();
            return false;
        };
        int announced = 0;
        HistoryFault fault;
        QVERIFY(
            !HistoryDatabase::replaceRecords(path, fresh, counted(&announced), &fault, failing));
        QCOMPARE(int(fault.cause), int(Cause::Refused));
        QVERIFY(fault.error.isValid());
        QVERIFY(!fault.stayedBusy);
        QList<HistoryRecord> stored;
        QVERIFY(HistoryDatabase::readRecords(path, &stored, counted(&announced), &fault));
        QCOMPARE(numbers(stored), (QList<int>{1, 2, 3}));
        QCOMPARE(stored[1].avg_value, 1.5);

        QVERIFY(HistoryDatabase::replaceRecords(path, fresh, counted(&announced), &fault));
        QVERIFY(HistoryDatabase::readRecords(path, &stored, counted(&announced), &fault));
        QCOMPARE(numbers(stored), (QList<int>{2, 7}));
        QCOMPARE(stored[0].unit, KiloOhm);
        QCOMPARE(stored[1].avg_value, -25.0);

        const QString made = dir.filePath(QStringLiteral("made.db"));
        QVERIFY(
            !HistoryDatabase::replaceRecords(made, fresh, counted(&announced), &fault, failing));
        QVERIFY(!QFile::exists(made));
        QVERIFY(HistoryDatabase::clearRecords(path, counted(&announced), &fault));
        QVERIFY(HistoryDatabase::readRecords(path, &stored, counted(&announced), &fault));
        QVERIFY(stored.isEmpty());
        QCOMPARE(announced, 0);
    }

    // A file another connection writes is announced once, waited for, and then reported as
    // busy; once it is free the work goes through unannounced.
    void busyFileIsAnnouncedOnce()
    {
        const QString path = dir.filePath(QStringLiteral("busy.db"));
        QVERIFY(makeHistory(path, 2, 3.0));
        const QString holder = QStringLiteral("holder");
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), holder);
            other.setDatabaseName(path);
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(QStringLiteral("BEGIN IMMEDIATE")));

            int announced = 0;
            HistoryFault fault;
            QVERIFY(!HistoryDatabase::replaceRecords(path, {}, counted(&announced), &fault));
            QCOMPARE(announced, 1);
            QCOMPARE(int(fault.cause), int(Cause::Refused));
            QVERIFY(fault.stayedBusy);
            // Reading goes on beside a writer that has not committed.
            QList<HistoryRecord> stored;
            QVERIFY(HistoryDatabase::readRecords(path, &stored, counted(&announced), &fault));
            QCOMPARE(numbers(stored), (QList<int>{1, 2}));
            QCOMPARE(announced, 1);

            QVERIFY(QSqlQuery(other).exec(QStringLiteral("ROLLBACK")));
            other.close();
        }
        QSqlDatabase::removeDatabase(holder);
        int announced = 0;
        HistoryFault fault;
        QVERIFY(HistoryDatabase::replaceRecords(path, {}, counted(&announced), &fault));
        QCOMPARE(announced, 0);
    }

    void csvLines()
    {
        QCOMPARE(CsvReport::headerLine(),
                 QStringLiteral("记录序号,数据类型,平均值/电压,最大阻值,最小阻值,单位,电池状态"));
        QCOMPARE(CsvReport::recordLine(record(4, Earth, 1234.5678, 999999, 0.5, KiloOhm, 0)),
                 QStringLiteral("4,接地电阻,1234.57,OL,0.5,kΩ,正常"));
        QCOMPARE(CsvReport::recordLine(record(5, Dc, -12.3, 30, 20, Volt, 3)),
                 QStringLiteral("5,直流电压,-12.3,---,---,V,低电量"));
    }

    void suggestedName()
    {
        const QDateTime when(QDate(2024, 3, 15), QTime(14, 25, 30));
        QCOMPARE(CsvReport::suggestedFileName(when),
                 QStringLiteral("接地电阻测试报告_20240315_142530.csv"));
    }

    void csvFileBytes()
    {
        const QString path = dir.filePath(QStringLiteral("report.csv"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(500, 'x'));
        old.close();

        const QList<HistoryRecord> records = {record(1, Earth, 12.3, 15, 10, KiloOhm, 1),
                                              record(2, Dc, -25, 30, 20, Volt, 0)};
        QCOMPARE(CsvReport::write(path, records), CsvReport::Result::Written);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
#ifdef Q_OS_WIN
        const QByteArray nl = "\r\n";
#else
        const QByteArray nl = "\n";
#endif
        const QByteArray expected =
            QByteArray("\xEF\xBB\xBF") +
            QStringLiteral("记录序号,数据类型,平均值/电压,最大阻值,最小阻值,单位,电池状态")
                .toUtf8() +
            nl + QStringLiteral("1,接地电阻,12.3,15,10,kΩ,低电量").toUtf8() + nl +
            QStringLiteral("2,直流电压,-25,---,---,V,正常").toUtf8() + nl;
        // The old, longer contents are gone entirely.
        QCOMPARE(file.readAll(), expected);
    }

    void emptyCsvHoldsTheHeaderOnly()
    {
        const QString path = dir.filePath(QStringLiteral("empty.csv"));
        QCOMPARE(CsvReport::write(path, {}), CsvReport::Result::Written);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(bytes.count('\n'), 1);
    }

    void unopenableTargetWritesNothing()
    {
        // A regular file where a directory should be: no user, not even root, can open this.
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        QFile block(blocker);
        QVERIFY(block.open(QIODevice::WriteOnly));
        block.close();
        const QString path = blocker + QStringLiteral("/report.csv");
        QCOMPARE(CsvReport::write(path, {record(1, Earth, 1, 1, 1, Ohm, 0)}),
                 CsvReport::Result::OpenFailed);
        QVERIFY(!QFile::exists(path));
    }

    void writeErrorIsNotASuccess()
    {
#ifdef Q_OS_LINUX
        QList<HistoryRecord> records;
        for (int i = 1; i <= 100; ++i)
            records << record(i, Earth, i, i, i, Ohm, 0);
        QCOMPARE(CsvReport::write(QStringLiteral("/dev/full"), records),
                 CsvReport::Result::WriteFailed);
#else
        QSKIP("needs /dev/full");
#endif
    }

    void failedWriteLeavesTheOldReport()
    {
#ifdef Q_OS_LINUX
        // A file size limit makes the disk "full" part-way through, for root too.
        const QString path = dir.filePath(QStringLiteral("kept.csv"));
        const QByteArray old = "an earlier report\n";
        QFile previous(path);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write(old);
        previous.close();
        QList<HistoryRecord> records;
        for (int i = 1; i <= 2000; ++i)
            records << record(i, Earth, i, i, i, Ohm, 0);

        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        const CsvReport::Result result = CsvReport::write(path, records);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(result, CsvReport::Result::WriteFailed);
        QVERIFY(previous.open(QIODevice::ReadOnly));
        QCOMPARE(previous.readAll(), old);
        // Nor is anything of the failed report left beside it.
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("kept.csv*")}, QDir::Files),
                 QStringList({QStringLiteral("kept.csv")}));
#else
        QSKIP("needs RLIMIT_FSIZE");
#endif
    }

    // Two names of one file are told apart from two files, whether the file is there or still
    // to be made.
    void sameFile_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("links"); // the row needs links the file system may not make
        QTest::addColumn<bool>("same");
        QTest::newRow("one name") << "a.csv"
                                  << "a.csv" << false << true;
        QTest::newRow("spelt two ways") << "a.csv"
                                        << "./sub/../a.csv" << false << true;
        QTest::newRow("two files") << "a.csv"
                                   << "b.csv" << false << false;
        QTest::newRow("a file and one to be made") << "a.csv"
                                                   << "new.csv" << false << false;
        QTest::newRow("to be made, spelt two ways") << "new.csv"
                                                    << "sub/../new.csv" << false << true;
        QTest::newRow("two to be made") << "new.csv"
                                        << "other.csv" << false << false;
        QTest::newRow("a link") << "a.csv"
                                << "link.csv" << true << true;
        QTest::newRow("a hard link") << "a.csv"
                                     << "hard.csv" << true << true;
        QTest::newRow("to be made in a linked folder") << "sub/new.csv"
                                                       << "alias/new.csv" << true << true;
        QTest::newRow("to be made beside a linked folder") << "sub/new.csv"
                                                           << "alias/other.csv" << true << false;
    }

    void sameFile()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, links);
        QFETCH(bool, same);
        const QTemporaryDir files;
        QVERIFY(files.isValid());
        for (const char *name : {"a.csv", "b.csv"}) {
            QFile file(files.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write(name) > 0);
        }
        QVERIFY(QDir(files.path()).mkdir(QStringLiteral("sub")));
        const auto at = [&files](const char *name) {
            return QFileInfo(files.filePath(QLatin1String(name))).filesystemAbsoluteFilePath();
        };
        std::error_code failed;
        std::filesystem::create_symlink(at("a.csv"), at("link.csv"), failed);
        if (!failed)
            std::filesystem::create_hard_link(at("a.csv"), at("hard.csv"), failed);
        if (!failed)
            std::filesystem::create_directory_symlink(at("sub"), at("alias"), failed);
        if (links && failed)
            QSKIP(qPrintable(QStringLiteral("no links here: ") +
                             QString::fromStdString(failed.message())));
        QCOMPARE(OutputFile::sameFile(files.filePath(a), files.filePath(b)), same);
        QCOMPARE(OutputFile::sameFile(files.filePath(b), files.filePath(a)), same);
    }

private:
    QTemporaryDir dir;
    QSqlDatabase db;
};

QTEST_GUILESS_MAIN(TestHistoryUnits)
#include "test_historyunits.moc"
