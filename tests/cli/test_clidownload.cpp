// telvoro-cli download and export end to end: what it writes is what the console downloads,
// shows and exports; an interrupted download or a bad target changes nothing.
#include "clifixture.h"
#include "csvreport.h"
#include "historycell.h"
#include "historyrecord.h"
#include "historystore.h"
#include "mainwindowprobe.h"
#include "modaldriver.h"
#include "protocol.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <csignal>
#include <memory>

namespace
{

const QString Database = QStringLiteral("TestHistory.db");

/// Records 1..count of every kind: ohms, kilo-ohms, AC and DC voltage, a reversed DC voltage and
/// one without a measurement; now and then over range or with a low battery.
QVector<protocol::InstrumentFrame> mixedRecords(int count)
{
    static const std::uint8_t modes[] = {0x12, 0x31, 0x21, 0x40, 0x52, 0x02};
    QVector<protocol::InstrumentFrame> frames;
    for (int i = 1; i <= count; ++i) {
        const auto a = std::uint16_t((i * 137) % 9000);
        const auto b = std::uint16_t(i % 7 == 0 ? 10000 : a + 40);
        frames << protocol::buildFrame(modes[i % 6], std::uint8_t(i % 5 == 0), a, b,
                                       std::uint16_t(a / 2), std::uint16_t(i));
    }
    return frames;
}

/// The instrument's records as the console stores them.
QList<HistoryRecord> storedForm(const QVector<protocol::InstrumentFrame> &frames)
{
    QList<HistoryRecord> records;
    for (int i = 0; i < frames.size(); ++i) {
        if (const auto record = decodeHistoryRecord(frames[i].data(), i + 1))
            records << *record;
    }
    return records;
}

QList<QStringList> rowsOf(const QList<HistoryRecord> &records)
{
    QList<QStringList> rows;
    for (const HistoryRecord &record : records)
        rows << HistoryCells::rowTexts(record);
    return rows;
}

/// The console window, started in `dir` so that it opens the TestHistory.db there.
class ConsoleIn
{
public:
    explicit ConsoleIn(const QString &dir) : previous(QDir::currentPath())
    {
        QDir::setCurrent(dir);
        window = std::make_unique<MainWindow>();
    }
    ~ConsoleIn()
    {
        window.reset();
        QDir::setCurrent(previous);
        QSqlDatabase::removeDatabase(QString::fromLatin1(QSqlDatabase::defaultConnection));
    }
    ConsoleIn(const ConsoleIn &) = delete;
    ConsoleIn &operator=(const ConsoleIn &) = delete;

    /// Every page of the history table, paged through with the buttons.
    QList<QStringList> allRows()
    {
        QList<QStringList> rows;
        MainWindow &w = *window;
        for (int page = 1; page <= MainWindowProbe::totalPages(w); ++page) {
            QTableWidget *table = MainWindowProbe::tableHistory(w);
            for (int row = 0; row < table->rowCount(); ++row) {
                QStringList cells;
                for (int column = 0; column < table->columnCount(); ++column)
                    cells << table->item(row, column)->text();
                rows << cells;
            }
            if (page < MainWindowProbe::totalPages(w))
                MainWindowProbe::btnNextPage(w)->click();
        }
        return rows;
    }

    /// The console's own CSV export, into `path`.
    void exportTo(const QString &path)
    {
        ModalDriver dialogs;
        dialogs.thenChooseFile(path);
        dialogs.thenClick(QMessageBox::Ok);
        MainWindowProbe::btnExport(*window)->click();
        QCOMPARE(dialogs.unanswered(), 0);
        QCOMPARE(dialogs.seen.last().title, QStringLiteral("导出成功"));
    }

    std::unique_ptr<MainWindow> window;

private:
    QString previous;
};

} // namespace

class TestCliDownload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The console windows these tests open look for no instrument.
        qunsetenv("TELVORO_EXTRA_PORTS");
        listOnlyExtraPorts();
    }

    void init()
    {
        work = std::make_unique<QTemporaryDir>();
        QVERIFY(work->isValid());
    }

    void theConsoleShowsWhatWasDownloaded_data()
    {
        QTest::addColumn<int>("oldRecords");
        QTest::newRow("into a fresh database") << 0;
        QTest::newRow("over an existing one") << 50;
    }

    void theConsoleShowsWhatWasDownloaded()
    {
        QFETCH(int, oldRecords);
        if (oldRecords > 0)
            makeHistory(work->filePath(Database), oldRecords, QStringLiteral("交流电压"));
        LinkedInstrument sim;
        const QVector<protocol::InstrumentFrame> frames = mixedRecords(23);
        sim.instrument.setRecords(frames);

        const CliRun run = runCli({"download"}, sim.path, work->path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray());
        // Not a terminal: where it found the instrument and the final line, nothing else.
        static const QRegularExpression said(
            QStringLiteral("^telvoro-cli: instrument found on (.+)\\n"
                           "telvoro-cli: downloaded 23 records in \\d+\\.\\d s\\n$"));
        QVERIFY2(said.match(run.errText()).hasMatch(), qPrintable(run.errText()));

        ConsoleIn console(work->path());
        QCOMPARE(MainWindowProbe::totalPages(*console.window), 2);
        QCOMPARE(console.allRows(), rowsOf(storedForm(frames)));
    }

    void reportsMatchTheConsoleExport()
    {
        LinkedInstrument sim;
        const QVector<protocol::InstrumentFrame> frames = mixedRecords(40);
        sim.instrument.setRecords(frames);
        const QString csv = work->filePath(QStringLiteral("cli.csv"));
        const QString json = work->filePath(QStringLiteral("cli.json"));

        const CliRun run = runCli({"download", "--db", Database, "--csv", csv, "--json", json},
                                  sim.path, work->path());
        QCOMPARE(run.exitCode, 0);

        const QString consoleCsv = work->filePath(QStringLiteral("console.csv"));
        {
            ConsoleIn console(work->path());
            console.exportTo(consoleCsv);
        }
        QVERIFY(!fileBytes(consoleCsv).isEmpty());
        QCOMPARE(fileBytes(csv), fileBytes(consoleCsv));

        // The JSON holds the same records, each with its own fields.
        const QList<HistoryRecord> records = storedForm(frames);
        QJsonParseError error{};
        const QJsonArray array = QJsonDocument::fromJson(fileBytes(json), &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(array.size(), records.size());
        for (int i = 0; i < records.size(); ++i) {
            const QJsonObject object = array[i].toObject();
            QCOMPARE(object.value(QStringLiteral("record")).toInt(), records[i].record_index);
            QCOMPARE(object.value(QStringLiteral("unit")).toString(), records[i].unit);
            QCOMPARE(object.value(QStringLiteral("battery_low")).toBool(), records[i].battery != 0);
            const bool voltage = isVoltageRecord(records[i].data_type);
            QCOMPARE(object.contains(QStringLiteral("value")), voltage);
            QCOMPARE(object.contains(QStringLiteral("max")), !voltage);
            const QJsonValue first =
                object.value(voltage ? QStringLiteral("value") : QStringLiteral("avg"));
            if (protocol::isOverRange(records[i].avg_value))
                QVERIFY(first.isNull());
            else
                QCOMPARE(first.toDouble(), records[i].avg_value);
        }
    }

    void interruptedDownloadChangesNothing_data()
    {
        QTest::addColumn<quint16>("at");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("said");
        QTest::newRow("cable pulled") << quint16(40) << "unplug"
                                      << "stopped at record 40 of 120: the link was lost";
        QTest::newRow("instrument falls silent")
            << quint16(40) << "silence"
            << "stopped at record 40 of 120: the instrument stopped answering";
        QTest::newRow("no count")
            << protocol::Command::RequestRecordCount << "silence"
            << "stopped before the record count arrived: the instrument stopped answering";
        QTest::newRow("Ctrl+C") << quint16(40) << "SIGINT"
                                << "stopped at record 40 of 120: interrupted";
    }

    void interruptedDownloadChangesNothing()
    {
        QFETCH(quint16, at);
        QFETCH(QString, what);
        const QString db = work->filePath(Database);
        makeHistory(db, 50, QStringLiteral("交流电压"));
        const QByteArray before = fileBytes(db);
        const QString csv = work->filePath(QStringLiteral("report.csv"));

        LinkedInstrument sim;
        sim.instrument.setRecords(mixedRecords(120));
        CliProcess cli(sim.path, work->path());
        QObject::connect(
            &sim.instrument, &PtyInstrument::commandReceived, &sim.instrument, [&](quint16 code) {
                if (code != at)
                    return;
                if (what == QLatin1String("silence"))
                    sim.instrument.setSilent(true);
                else if (what == QLatin1String("SIGINT"))
                    ::kill(pid_t(cli.pid()), SIGINT);
                else
                    QTimer::singleShot(0, &sim.instrument, [&sim] { sim.instrument.unplug(); });
            });
        cli.start({"download", "--csv", csv, "--db", db});
        const CliRun run = cli.finish();

        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.out, QByteArray());
        QFETCH(QString, said);
        QVERIFY2(run.errText().endsWith(QStringLiteral("telvoro-cli: ") + said +
                                        QStringLiteral("\ntelvoro-cli: nothing was written\n")),
                 qPrintable(run.errText()));
        QCOMPARE(fileBytes(db), before);
        QVERIFY(!QFile::exists(csv));
        QCOMPARE(QDir(work->path()).entryList(QDir::Files),
                 QStringList({QStringLiteral("TestHistory.db")}));
    }

    void badTargetsChangeNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("said");
        QTest::newRow("database in a folder that is a file")
            << QStringList{"download", "--db", "blocker/h.db"} << "cannot write";
        QTest::newRow("database that is a text file")
            << QStringList{"download", "--db", "notes.txt"} << "is not a history database";
        QTest::newRow("database of something else")
            << QStringList{"download", "--db", "other.db"}
            << "other.db is not a history database: it holds other tables (Orders)";
        QTest::newRow("report in a folder that is a file")
            << QStringList{"download", "--csv", "blocker/r.csv"} << "cannot write";
        QTest::newRow("JSON in a folder that is a file")
            << QStringList{"download", "--json", "blocker/r.json"} << "cannot write";
        QTest::newRow("export of a database that is not there")
            << QStringList{"export", "--db", "missing.db"} << "missing.db: no such database";
        QTest::newRow("export of something else")
            << QStringList{"export", "--db", "other.db", "-o", "out.csv"}
            << "is not a history database";
    }

    void badTargetsChangeNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, said);
        const QDir dir(work->path());
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QFile notes(dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("not a database\n");
        notes.close();
        {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(dir.filePath(QStringLiteral("other.db")));
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(QStringLiteral("CREATE TABLE Orders (id INTEGER)")));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QHash<QString, QByteArray> before;
        for (const QString &name : dir.entryList(QDir::Files))
            before[name] = fileBytes(dir.filePath(name));

        LinkedInstrument sim;
        const CliRun run = runCli(args, sim.path, work->path());
        QCOMPARE(run.exitCode, 4);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.errText().contains(said), qPrintable(run.errText()));
        QTest::qWait(100);
        // Checked before the instrument was asked anything; no file touched or left.
        QCOMPARE(sim.instrument.receivedCommands(), QList<quint16>());
        QStringList names = dir.entryList(QDir::Files);
        QStringList expectedNames = before.keys();
        names.sort();
        expectedNames.sort();
        QCOMPARE(names, expectedNames);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QCOMPARE(fileBytes(dir.filePath(it.key())), it.value());
    }

    void exportNeedsNoInstrument_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("json");
        QTest::newRow("CSV on standard output") << QStringList{} << false;
        QTest::newRow("CSV into a file") << QStringList{"-o", "out"} << false;
        QTest::newRow("JSON on standard output") << QStringList{"--format", "json"} << true;
    }

    void exportNeedsNoInstrument()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, json);
        const QString db = work->filePath(Database);
        makeHistory(db, 7, QStringLiteral("交流电压"));
        const QString out = work->filePath(QStringLiteral("out"));
        args.replaceInStrings(QStringLiteral("out"), out);

        const CliRun run =
            runCli(QStringList{"export", "--db", db} + args, QString(), work->path());
        QCOMPARE(run.exitCode, 0);
        const QByteArray written = args.contains(QStringLiteral("-o")) ? fileBytes(out) : run.out;
        if (json) {
            const QJsonArray array = QJsonDocument::fromJson(written).array();
            QCOMPARE(array.size(), 7);
            QCOMPARE(array[6].toObject().value(QStringLiteral("value")).toDouble(), 227.0);
            return;
        }
        // The console's report of the same database.
        const QString report = work->filePath(QStringLiteral("console.csv"));
        {
            ConsoleIn console(work->path());
            console.exportTo(report);
        }
        QCOMPARE(written, fileBytes(report));
    }

private:
    std::unique_ptr<QTemporaryDir> work;
};

QTEST_MAIN(TestCliDownload)
#include "test_clidownload.moc"
