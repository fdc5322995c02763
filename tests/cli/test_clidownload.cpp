// telvoro-cli download and export end to end: what it writes is what the console downloads,
// shows and exports; an interrupted download or a bad target changes nothing.
#include "clifixture.h"
#include "commandbytes.h"
#include "csvreport.h"
#include "historycell.h"
#include "historyrecord.h"
#include "historystore.h"
#include "mainwindowprobe.h"
#include "modaldriver.h"
#include "portopening.h"
#include "protocol.h"

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <csignal>
#include <memory>
#include <optional>

namespace
{

const QString Database = QStringLiteral("TestHistory.db");
/// A command no download sends.
constexpr quint16 NeverSent = protocol::Command::BacklightOff;

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

/// Every field of every record, so that records compare exactly.
QList<QVariantList> fieldsOf(const QList<HistoryRecord> &records)
{
    QList<QVariantList> fields;
    for (const HistoryRecord &r : records)
        fields << QVariantList{r.record_index, r.data_type, r.avg_value, r.max_value,
                               r.min_value,    r.unit,      r.battery};
    return fields;
}

/// The CSV report of `records`, as a download writes it.
QByteArray csvOf(const QList<HistoryRecord> &records)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly | QIODevice::Text);
    CsvReport::write(buffer, records);
    return buffer.data();
}

QList<QStringList> rowsOf(const QList<HistoryRecord> &records)
{
    QList<QStringList> rows;
    for (const HistoryRecord &record : records)
        rows << HistoryCells::rowTexts(record);
    return rows;
}

/// The console window, started in `dir` so that it opens the TestHistory.db there; none when
/// `dir` cannot be entered.
class ConsoleIn
{
public:
    explicit ConsoleIn(const QString &dir) : previous(QDir::currentPath())
    {
        if (QDir::setCurrent(dir))
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

    /// The console's own CSV export, into `path`; false when it did not report success.
    bool exportTo(const QString &path)
    {
        ModalDriver dialogs;
        dialogs.thenChooseFile(path);
        dialogs.thenClick(QMessageBox::Ok);
        MainWindowProbe::btnExport(*window)->click();
        return dialogs.unanswered() == 0 && !dialogs.seen.isEmpty() &&
               dialogs.seen.last().title == QStringLiteral("导出成功");
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
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("end");
        // Every sixth record holds no measurement: it is skipped, and the end line says so.
        const QString skipped =
            QStringLiteral("downloaded 23 records in \\d+\\.\\d s: 19 stored, 4 "
                           "skipped as they hold no measurement");
        QTest::newRow("into a fresh database") << 0 << 23 << skipped;
        QTest::newRow("over an existing one") << 50 << 23 << skipped;
        QTest::newRow("one skipped")
            << 0 << 5
            << "downloaded 5 records in \\d+\\.\\d s: 4 stored, 1 skipped as it holds no "
               "measurement";
        QTest::newRow("none skipped") << 0 << 4 << "downloaded 4 records in \\d+\\.\\d s";
    }

    void theConsoleShowsWhatWasDownloaded()
    {
        QFETCH(int, oldRecords);
        QFETCH(int, count);
        QFETCH(QString, end);
        if (oldRecords > 0)
            QVERIFY(makeHistory(work->filePath(Database), oldRecords, QStringLiteral("交流电压")));
        LinkedInstrument sim;
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        const QVector<protocol::InstrumentFrame> frames = mixedRecords(count);
        sim.instrument.setRecords(frames);

        const CliRun run = runCli({"download"}, sim.path, work->path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray());
        // Not a terminal: where it found the instrument and the final line, nothing else.
        const QRegularExpression said(QStringLiteral("^telvoro-cli: instrument found on (.+)\\n"
                                                     "telvoro-cli: ") +
                                      end + QStringLiteral("\\n$"));
        QVERIFY2(said.match(run.errText()).hasMatch(), qPrintable(run.errText()));

        ConsoleIn console(work->path());
        QVERIFY(console.window);
        const QList<HistoryRecord> stored = storedForm(frames);
        QCOMPARE(MainWindowProbe::totalPages(*console.window),
                 std::max(1, int(stored.size() + 9) / 10));
        QCOMPARE(console.allRows(), rowsOf(stored));
    }

    void reportsMatchTheConsoleExport()
    {
        LinkedInstrument sim;
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
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
            QVERIFY(console.window);
            QVERIFY(console.exportTo(consoleCsv));
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

    void interruptedDownloadIsKeptAndResumed_data()
    {
        QTest::addColumn<quint16>("at");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("status");
        QTest::newRow("cable pulled")
            << quint16(40) << "unplug"
            << "stopped at record 40 of 120: the link was lost" << 39 << 3;
        QTest::newRow("instrument falls silent")
            << quint16(40) << "silence"
            << "stopped at record 40 of 120: the instrument stopped answering" << 39 << 3;
        QTest::newRow("no count")
            << protocol::Command::RequestRecordCount << "silence"
            << "stopped before the record count arrived: the instrument stopped answering" << 0
            << 3;
        // An interrupted run has a status of its own, whatever the command.
        QTest::newRow("Ctrl+C") << quint16(40) << "SIGINT"
                                << "stopped at record 40 of 120: interrupted" << 39 << 130;
        QTest::newRow("at the last record")
            << quint16(120) << "silence"
            << "stopped at record 120 of 120: the instrument stopped answering" << 119 << 3;
    }

    // The targets stay as they were and what arrived is kept beside them; resumed, the
    // download asks only for the records still missing and ends as an uninterrupted one.
    void interruptedDownloadIsKeptAndResumed()
    {
        QFETCH(quint16, at);
        QFETCH(QString, what);
        QFETCH(int, kept);
        const QString db = work->filePath(Database);
        QVERIFY(makeHistory(db, 50, QStringLiteral("交流电压")));
        const QByteArray before = fileBytes(db);
        const QString csv = work->filePath(QStringLiteral("report.csv"));
        const QString json = work->filePath(QStringLiteral("records.json"));
        const QString keptPath = db + QStringLiteral(".download");

        LinkedInstrument sim;
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        const QVector<protocol::InstrumentFrame> frames = mixedRecords(120);
        sim.instrument.setRecords(frames);
        CliProcess cli(sim.path, work->path());
        bool struck = false;
        QObject::connect(
            &sim.instrument, &PtyInstrument::commandReceived, &sim.instrument, [&](quint16 code) {
                if (code != at || struck)
                    return;
                struck = true;
                if (what == QLatin1String("silence"))
                    sim.instrument.setSilent(true);
                else if (what == QLatin1String("SIGINT"))
                    ::kill(pid_t(cli.pid()), SIGINT);
                else
                    QTimer::singleShot(0, &sim.instrument, [&sim] { sim.instrument.unplug(); });
            });
        const QStringList targets = {"--db", db, "--csv", csv, "--json", json};
        cli.start(QStringList{"download"} + targets);
        const CliRun run = cli.finish();

        QFETCH(int, status);
        QCOMPARE(run.exitCode, status);
        QCOMPARE(run.out, QByteArray());
        QFETCH(QString, said);
        const QString keptSaid =
            kept == 0 ? QStringLiteral("nothing was written")
                      : QStringLiteral("the targets are as they were; the %1 records received are "
                                       "kept in %2: download --resume goes on from record %3")
                            .arg(kept)
                            .arg(keptPath)
                            .arg(kept + 1);
        QVERIFY2(run.errText().endsWith(QStringLiteral("telvoro-cli: ") + said +
                                        QStringLiteral("\ntelvoro-cli: ") + keptSaid +
                                        QStringLiteral("\n")),
                 qPrintable(run.errText()));
        QCOMPARE(fileBytes(db), before);
        QVERIFY(!QFile::exists(csv));
        QVERIFY(!QFile::exists(json));
        QStringList files = {QStringLiteral("TestHistory.db")};
        if (kept > 0)
            files << QStringLiteral("TestHistory.db.download");
        QCOMPARE(QDir(work->path()).entryList(QDir::Files), files);
        QCOMPARE(fieldsOf(historyOf(keptPath)), fieldsOf(storedForm(frames.mid(0, kept))));

        if (what == QLatin1String("unplug"))
            QVERIFY(sim.replug());
        sim.instrument.setSilent(false);
        sim.instrument.clearReceived();
        const CliRun resumed =
            runCli(QStringList{"download", "--resume"} + targets, sim.path, work->path());
        QCOMPARE(resumed.exitCode, 0);
        QList<int> asked;
        for (const quint16 code : sim.instrument.receivedCommands()) {
            if (code >= 1 && code <= 120)
                asked << code;
        }
        QList<int> missing;
        for (int record = kept + 1; record <= 120; ++record)
            missing << record;
        QCOMPARE(asked, missing);
        QVERIFY(!QFile::exists(keptPath));

        const CliRun whole =
            runCli({"download", "--db", "whole.db", "--csv", "whole.csv", "--json", "whole.json"},
                   sim.path, work->path());
        QCOMPARE(whole.exitCode, 0);
        QCOMPARE(fieldsOf(historyOf(db)), fieldsOf(storedForm(frames)));
        QCOMPARE(fieldsOf(historyOf(work->filePath(QStringLiteral("whole.db")))),
                 fieldsOf(historyOf(db)));
        QCOMPARE(fileBytes(csv), fileBytes(work->filePath(QStringLiteral("whole.csv"))));
        QCOMPARE(fileBytes(json), fileBytes(work->filePath(QStringLiteral("whole.json"))));
        QCOMPARE(fileBytes(csv), csvOf(storedForm(frames)));
    }

    // What an earlier download kept is never mixed into records it may not belong to: a
    // download without --resume, or an instrument that now holds another count, fetches every
    // record, and the kept file goes once the targets hold them.
    void keptDownloadIsNotMixedIn_data()
    {
        QTest::addColumn<bool>("resume");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("said");
        QTest::newRow("without --resume")
            << false << 60
            << "telvoro-cli: KEPT keeps 19 of the 60 records of an earlier download; this one "
               "starts over (download --resume goes on from there)\n";
        QTest::newRow("the instrument now holds more")
            << true << 70
            << "telvoro-cli: the instrument now holds 70 records, not the 60 of the download "
               "kept in KEPT: downloading every record\n";
    }

    void keptDownloadIsNotMixedIn()
    {
        QFETCH(bool, resume);
        QFETCH(int, count);
        QFETCH(QString, said);
        const QString db = work->filePath(Database);
        const QString keptPath = db + QStringLiteral(".download");
        LinkedInstrument sim;
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        sim.instrument.setRecords(mixedRecords(60));
        const QMetaObject::Connection silence = QObject::connect(
            &sim.instrument, &PtyInstrument::commandReceived, &sim.instrument, [&](quint16 code) {
                if (code == 20)
                    sim.instrument.setSilent(true);
            });
        QCOMPARE(runCli({"download", "--db", db}, sim.path, work->path()).exitCode, 3);
        QVERIFY(QFile::exists(keptPath));
        QObject::disconnect(silence);

        // Other records: those the first download kept must not stand in for them.
        QVector<protocol::InstrumentFrame> frames;
        for (int i = 1; i <= count; ++i)
            frames << protocol::buildFrame(0x12, 0, 4321, 4400, 4300, std::uint16_t(i));
        sim.instrument.setRecords(frames);
        sim.instrument.setSilent(false);
        sim.instrument.clearReceived();
        QStringList args = {"download", "--db", db};
        if (resume)
            args << QStringLiteral("--resume");
        const CliRun run = runCli(args, sim.path, work->path());
        QVERIFY2(run.exitCode == 0, qPrintable(run.errText()));
        said.replace(QStringLiteral("KEPT"), keptPath);
        QVERIFY2(run.errText().contains(said), qPrintable(run.errText()));
        QCOMPARE(sim.instrument.receivedCommands().count(quint16(1)), 1);
        QCOMPARE(fieldsOf(historyOf(db)), fieldsOf(storedForm(frames)));
        QVERIFY(!QFile::exists(keptPath));
    }

    // A database another program writes to while the records arrive: waited for, then the
    // records are kept beside it and the CSV is written all the same; once the database is
    // free, --resume stores what was kept, with no instrument needed.
    void busyDatabaseKeepsTheDownload()
    {
        const QString db = work->filePath(Database);
        QVERIFY(makeHistory(db, 50, QStringLiteral("交流电压")));
        const QByteArray before = fileBytes(db);
        const QString csv = work->filePath(QStringLiteral("report.csv"));
        const QString keptPath = db + QStringLiteral(".download");
        LinkedInstrument sim;
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        const QVector<protocol::InstrumentFrame> frames = mixedRecords(30);
        sim.instrument.setRecords(frames);
        std::unique_ptr<DatabaseLock> lock;
        QObject::connect(&sim.instrument, &PtyInstrument::commandReceived, &sim.instrument,
                         [&](quint16 code) {
                             if (code == 10 && !lock)
                                 lock = std::make_unique<DatabaseLock>(db, "IMMEDIATE");
                         });

        const CliRun run = runCli({"download", "--db", db, "--csv", csv}, sim.path, work->path());
        QCOMPARE(run.exitCode, 4);
        QVERIFY(lock);
        const QString said =
            QStringLiteral("telvoro-cli: %1 is busy (another program is using it): waiting up to "
                           "10 s\n"
                           "telvoro-cli: cannot write %1: it stayed busy for 10 s: another program "
                           "is using it\n"
                           "telvoro-cli: the 30 records downloaded are kept in %2: download "
                           "--resume writes them into the targets, with no instrument needed\n")
                .arg(db, keptPath);
        QVERIFY2(run.errText().endsWith(said), qPrintable(run.errText()));
        const QList<HistoryRecord> stored = storedForm(frames);
        QCOMPARE(fileBytes(csv), csvOf(stored));
        QCOMPARE(fieldsOf(historyOf(keptPath)), fieldsOf(stored));
        lock->release();
        QCOMPARE(fileBytes(db), before);

        sim.instrument.clearReceived();
        const CliRun resumed =
            runCli({"download", "--db", db, "--csv", csv, "--resume"}, sim.path, work->path());
        QCOMPARE(resumed.exitCode, 0);
        QCOMPARE(resumed.errText(),
                 QStringLiteral("telvoro-cli: wrote the 30 records kept in %1: 25 stored, 5 "
                                "skipped as they hold no measurement\n")
                     .arg(keptPath));
        QCOMPARE(sim.instrument.receivedCommands(), QList<quint16>());
        QCOMPARE(fieldsOf(historyOf(db)), fieldsOf(stored));
        QCOMPARE(fileBytes(csv), csvOf(stored));
        QVERIFY(!QFile::exists(keptPath));
    }

    // A database another program uses is waited for, and the command goes on once it is free.
    void busyDatabaseIsWaitedFor_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("lock");
        QTest::newRow("download") << QStringList{"download", "--db", "DB"} << "IMMEDIATE";
        QTest::newRow("export") << QStringList{"export", "--db", "DB", "-o", "out.csv"}
                                << "EXCLUSIVE";
        QTest::newRow("report") << QStringList{"report", "--db", "DB", "-o", "out.pdf"}
                                << "EXCLUSIVE";
        QTest::newRow("clear") << QStringList{"clear", "--yes", "--db", "DB"} << "EXCLUSIVE";
    }

    void busyDatabaseIsWaitedFor()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, lock);
        const QString db = work->filePath(Database);
        QVERIFY(makeHistory(db, 7, QStringLiteral("交流电压")));
        args.replaceInStrings(QStringLiteral("DB"), db);
        LinkedInstrument sim;
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        DatabaseLock held(db, lock);
        QVERIFY(held.isValid());
        CliProcess cli(sim.path, work->path());
        cli.start(args);
        QVERIFY(cli.waitForError(
            QStringLiteral("%1 is busy (another program is using it): waiting up to 10 s")
                .arg(db)));
        held.release();
        const CliRun run = cli.finish();
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(!run.errText().contains(QStringLiteral("cannot")), qPrintable(run.errText()));
    }

    void badTargetsChangeNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("lock");
        QTest::addColumn<QString>("said");
        QTest::newRow("database in a folder that is a file")
            << QStringList{"download", "--db", "blocker/h.db"} << QString()
            << "cannot write blocker/h.db: DIR/blocker is not a folder";
        QTest::newRow("database that is a folder")
            << QStringList{"download", "--db", "folder"} << QString()
            << "cannot write folder: it is a folder";
        QTest::newRow("database that is a text file")
            << QStringList{"download", "--db", "notes.txt"} << QString()
            << "notes.txt is not a history database: it is not an SQLite database\n";
        QTest::newRow("database of something else")
            << QStringList{"download", "--db", "other.db"} << QString()
            << "other.db is not a history database: it holds other tables (Orders)";
        QTest::newRow("database another program writes to")
            << QStringList{"download", "--db", "busy.db"} << "IMMEDIATE"
            << "busy.db is busy (another program is using it): waiting up to 10 s\n"
               "telvoro-cli: cannot write busy.db: it stayed busy for 10 s: another program is "
               "using it\n";
        QTest::newRow("something else where a download is kept")
            << QStringList{"download", "--db", "held.db"} << QString()
            << "held.db.download is not a history database: it holds other tables (Orders) and "
               "no HistoryData, and a download keeps what it received there: move it away";
        QTest::newRow("report where a download is kept")
            << QStringList{"download", "--db", "h.db", "--csv", "h.db.download"} << QString()
            << "cannot write h.db.download: a download keeps what it received there";
        QTest::newRow("report in a folder that is a file")
            << QStringList{"download", "--csv", "blocker/r.csv"} << QString()
            << "cannot write blocker/r.csv: DIR/blocker is not a folder";
        QTest::newRow("JSON in a folder that is a file")
            << QStringList{"download", "--json", "blocker/r.json"} << QString()
            << "cannot write blocker/r.json: DIR/blocker is not a folder";
        QTest::newRow("JSON in a folder that is not there")
            << QStringList{"download", "--json", "missing/r.json"} << QString()
            << "cannot write missing/r.json: there is no folder DIR/missing";
        QTest::newRow("export of a database that is not there")
            << QStringList{"export", "--db", "missing.db"} << QString()
            << "missing.db: no such database";
        QTest::newRow("export of something else")
            << QStringList{"export", "--db", "other.db", "-o", "out.csv"} << QString()
            << "is not a history database";
        QTest::newRow("export of a text file")
            << QStringList{"export", "--db", "notes.txt"} << QString()
            << "notes.txt is not a history database: it is not an SQLite database\n";
        QTest::newRow("export of a database another program writes")
            << QStringList{"export", "--db", "busy.db", "-o", "out.csv"} << "EXCLUSIVE"
            << "cannot read busy.db: it stayed busy for 10 s: another program is using it\n";
        QTest::newRow("report of a database another program writes")
            << QStringList{"report", "--db", "busy.db", "-o", "out.pdf"} << "EXCLUSIVE"
            << "cannot read busy.db: it stayed busy for 10 s: another program is using it\n";
    }

    void badTargetsChangeNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, lock);
        QFETCH(QString, said);
        const QDir dir(work->path());
        said.replace(QStringLiteral("DIR"), dir.path());
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(dir.mkdir(QStringLiteral("folder")));
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
        QVERIFY(QFile::copy(dir.filePath(QStringLiteral("other.db")),
                            dir.filePath(QStringLiteral("held.db.download"))));
        QVERIFY(
            makeHistory(dir.filePath(QStringLiteral("busy.db")), 3, QStringLiteral("接地电阻")));
        QHash<QString, QByteArray> before;
        for (const QString &name : dir.entryList(QDir::Files))
            before[name] = fileBytes(dir.filePath(name));
        // Taken once the files are read: a file closed in this process would end its locks.
        std::optional<DatabaseLock> held;
        if (!lock.isEmpty()) {
            held.emplace(dir.filePath(QStringLiteral("busy.db")), lock);
            QVERIFY(held->isValid());
        }

        LinkedInstrument sim;
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        const CliRun run = runCli(args, sim.path, work->path());
        QCOMPARE(run.exitCode, 4);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.errText().contains(said), qPrintable(run.errText()));
        // Checked before the instrument was asked anything: a command sent from here after the
        // program ended reaches the instrument after whatever the program wrote to the line.
        QSerialPort line;
        line.setPortName(sim.path);
        QVERIFY2(openSerialLine(line), qPrintable(line.errorString()));
        QCOMPARE(line.write(commandBytes(NeverSent)), qint64(protocol::CommandSize));
        QVERIFY(QTest::qWaitFor([&] { return !sim.instrument.receivedCommands().isEmpty(); },
                                CliWaitMs));
        QCOMPARE(sim.instrument.receivedCommands(), QList<quint16>{NeverSent});
        // No file touched or left.
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
        QVERIFY(makeHistory(db, 7, QStringLiteral("交流电压")));
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
            QVERIFY(console.window);
            QVERIFY(console.exportTo(report));
        }
        QCOMPARE(written, fileBytes(report));
    }

private:
    std::unique_ptr<QTemporaryDir> work;
};

QTEST_MAIN(TestCliDownload)
#include "test_clidownload.moc"
