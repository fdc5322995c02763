// Bad input from the machine and the operator, row by row: an unusable, damaged or locked
// history database, report folders that cannot be written, the legacy data folder that cannot
// be made, no printer, and text boxes holding empty, non-numeric, negative and huge values.
// Whatever happens, the console keeps running, says so, and loses nothing already stored.
#include "../legacy_records/recordsprobe.h"
#include "datafolder.h"
#include "form1.h"
#include "form1probe.h"
#include "form2.h"
#include "formtimer.h"
#include "historystore.h"
#include "historysync.h"
#include "legacyprinter.h"
#include "legacystate.h"
#include "mainwindowprobe.h"
#include "meteroperations.h"
#include "modaldriver.h"
#include "printlayout.h"
#include "ptyinstrument.h"
#include "ptyorskip.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>

using namespace legacy;

namespace
{

constexpr int Wait = 20000;
const QString ConnectionName = QString::fromLatin1(QSqlDatabase::defaultConnection);
const QString ArchiveFailed = QStringLiteral("[错误] 历史记录归档失败！");
const QString NoneStored = QStringLiteral("[错误] 历史记录同步完毕，但有 3 条记录未能入库！");
const QString NotEmptied = QStringLiteral(
    "[错误] 本地旧数据清理失败（数据库可能被占用或只读），同步已中止，本地历史记录保持不变。");
const QString ClearFailed =
    QStringLiteral("[错误] 本地历史记录清除失败（数据库可能被占用或只读），未向设备下发清空指令。");

// A folder nobody may write: a read-only temporary folder, or, for root, who writes through
// permissions, a kernel file system that holds no ordinary files.
class ReadOnlyFolder
{
public:
    ReadOnlyFolder()
    {
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile probe(dir.filePath(QStringLiteral("probe")));
        if (!probe.open(QIODevice::WriteOnly))
            folder = dir.path();
        else
            folder = QStringLiteral("/sys");
    }
    ~ReadOnlyFolder()
    {
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
    }
    QString path() const { return folder; }

private:
    QTemporaryDir dir;
    QString folder;
};

QByteArray garbage()
{
    QByteArray bytes;
    quint32 x = 12345;
    for (int i = 0; i < 4096; ++i) {
        x = x * 1103515245u + 12345u;
        bytes.append(char(x >> 24));
    }
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Records 1..3 as an earlier download left them, in a database file of its own.
QList<HistoryRecord> earlierRecords()
{
    return {{1, QStringLiteral("接地电阻"), 1.5, 1.6, 1.4, QStringLiteral("Ω"), 0},
            {2, QStringLiteral("交流电压"), 230, 0, 0, QStringLiteral("V"), 0},
            {3, QStringLiteral("接地电阻"), 12.3, 15, 10, QStringLiteral("kΩ"), 1}};
}

bool writeEarlierRecords(const QString &file)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "earlier");
        db.setDatabaseName(file);
        ok = db.open() && HistoryStore::createTable(db);
        for (const HistoryRecord &r : earlierRecords())
            ok = ok && HistoryStore::insert(db, r);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("earlier"));
    return ok;
}

QList<HistoryRecord> recordsIn(const QString &file)
{
    QList<HistoryRecord> records;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "check");
        db.setDatabaseName(file);
        if (db.open())
            records = HistoryStore::all(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return records;
}

QStringList describe(const QList<HistoryRecord> &records)
{
    QStringList lines;
    for (const HistoryRecord &r : records)
        lines << describe(r);
    return lines;
}

/// Another program holding the database: this test program started again with --hold-lock,
/// which keeps an exclusive lock until its input closes.
class LockHolder
{
public:
    explicit LockHolder(const QString &file)
    {
        process.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--hold-lock"), file});
        locked = process.waitForReadyRead(10000) && process.readAll().startsWith("locked");
    }
    ~LockHolder() { release(); }
    void release()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.closeWriteChannel();
        process.waitForFinished(10000);
    }
    bool locked = false;

private:
    QProcess process;
};

int holdLock(int &argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString file = QString::fromLocal8Bit(argv[2]);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(file);
    if (!db.open())
        return 1;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("BEGIN EXCLUSIVE")) ||
        !query.exec(QStringLiteral("SELECT COUNT(*) FROM HistoryData")))
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}

// The modern console in a working folder the test prepares, with an instrument holding three
// records.
class Console
{
public:
    explicit Console(const QString &folder) : previous(QDir::currentPath())
    {
        SimOptions options;
        options.paced = false;
        options.recordCount = 3;
        sim = std::make_unique<PtyInstrument>(options);
        QVERIFY2(sim->open(), qPrintable(sim->errorString()));
        QVERIFY(QDir::setCurrent(folder));
        qputenv("TELVORO_EXTRA_PORTS", sim->slavePath().toLocal8Bit());
        listOnlyExtraPorts();
        window = std::make_unique<MainWindow>();
    }
    ~Console()
    {
        window.reset();
        qunsetenv("TELVORO_EXTRA_PORTS");
        QDir::setCurrent(previous);
        QSqlDatabase::removeDatabase(ConnectionName);
    }
    MainWindow &w() { return *window; }

    bool download()
    {
        if (!QTest::qWaitFor([this] { return MainWindowProbe::isConnected(*window); }, Wait))
            return false;
        MainWindowProbe::btnSyncHistory(*window)->click();
        return QTest::qWaitFor([this] { return historySyncIdle(*window); }, Wait);
    }

    std::unique_ptr<PtyInstrument> sim;

private:
    QString previous;
    std::unique_ptr<MainWindow> window;
};

// The legacy form with no port behind any number, its timers stopped for the test to drive.
struct LegacyForm {
    LegacyForm()
    {
        withoutPorts();
        form = std::make_unique<Form1>(*state);
        Form1Probe::stopTimers(*form);
    }
    ~LegacyForm()
    {
        form.reset();
        MSComm::setPortResolver({});
    }
    template <typename T = QWidget> T *control(const char *name)
    {
        return ::control<T>(*form, name);
    }
    std::unique_ptr<LegacyState> state = std::make_unique<LegacyState>();
    std::unique_ptr<Form1> form;
};

// Closes whatever modal window is still open after three seconds, so that a dialog nobody
// answers cannot hang the test.
void closeStrayModalLater(ModalDriver &dialogs)
{
    QTimer::singleShot(3000, &dialogs, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
}

} // namespace

class TestBadInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { OPEN_PTY_OR_SKIP(PtyInstrument().open()); }

    void historyDatabase_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("startLine");
        QTest::addColumn<QString>("downloadEnd");
        QTest::addColumn<bool>("recordsAsked");
        QTest::addColumn<QString>("exportText");
        // Without a database the start-up line has said why; no line per record follows. A
        // store that cannot be emptied stops the download before the first record.
        QTest::newRow("TestHistory.db in a read-only folder")
            << "readonly" << QStringLiteral("[致命] 无法连接到本地历史数据库！") << NoneStored
            << true << QString();
        QTest::newRow("a garbage file named TestHistory.db")
            << "garbage" << QStringLiteral("[致命] 数据表初始化失败！") << NotEmptied << false
            << QStringLiteral("无法读取历史数据库，报告未生成！");
        QTest::newRow("TestHistory.db locked by another program")
            << "locked" << QStringLiteral("[致命] 数据表初始化失败！") << NotEmptied << false
            << QStringLiteral("无法读取历史数据库，报告未生成！");
    }
    void historyDatabase()
    {
        QFETCH(QString, setup);
        QFETCH(QString, startLine);
        QFETCH(QString, downloadEnd);
        QFETCH(bool, recordsAsked);
        QFETCH(QString, exportText);

        QTemporaryDir scratch;
        std::unique_ptr<ReadOnlyFolder> readOnly;
        std::unique_ptr<LockHolder> lock;
        QString folder = scratch.path();
        const QString file = scratch.filePath(QStringLiteral("TestHistory.db"));
        if (setup == QLatin1String("readonly")) {
            readOnly = std::make_unique<ReadOnlyFolder>();
            folder = readOnly->path();
        } else if (setup == QLatin1String("garbage")) {
            QFile damaged(file);
            QVERIFY(damaged.open(QIODevice::WriteOnly));
            damaged.write(garbage());
        } else {
            QVERIFY(writeEarlierRecords(file));
            lock = std::make_unique<LockHolder>(file);
            QVERIFY(lock->locked);
            // The console takes the connection it finds; this one gives up on a lock quickly
            // instead of the driver's five seconds per statement.
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
            db.setDatabaseName(QStringLiteral("TestHistory.db"));
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=100"));
        }
        const QByteArray before = readFile(file);

        Console console(folder);
        MainWindow &w = console.w();
        const QStringList start = logMessages(w);
        QVERIFY2(start.filter(startLine).size() == 1, qPrintable(start.join(u'\n')));

        // A download does not end as if its records were stored.
        const qsizetype mark = logMessages(w).size();
        QVERIFY(console.download());
        const QStringList lines = logSince(w, mark);
        QCOMPARE(lines.filter(ArchiveFailed).size(), 0);
        QCOMPARE(lines.last(), downloadEnd);
        QCOMPARE(console.sim->receivedCommands().contains(1), recordsAsked);

        // Clearing says it could not, and the instrument keeps its records.
        {
            ModalDriver confirm;
            confirm.thenClick(QMessageBox::Yes);
            console.sim->clearReceived();
            const qsizetype clearMark = logMessages(w).size();
            MainWindowProbe::btnClearHistory(w)->click();
            QCOMPARE(confirm.seen.size(), 1);
            QCOMPARE(logSince(w, clearMark), QStringList{ClearFailed});
            // The next poll follows anything the clear could have written.
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return console.sim->receivedCommands().contains(
                        protocol::Command::RequestReading);
                },
                Wait));
            QVERIFY(!console.sim->receivedCommands().contains(protocol::Command::ClearRecords));
        }

        // Export: nothing without a database; an unreadable one is said so, and neither is a
        // report that looks complete written nor an earlier one replaced.
        const QString report = scratch.filePath(QStringLiteral("report.csv"));
        const QByteArray earlierReport = "an earlier report\n";
        {
            QFile earlier(report);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write(earlierReport);
        }
        ModalDriver dialogs;
        dialogs.thenChooseFile(report);
        dialogs.thenClick(QMessageBox::Ok);
        closeStrayModalLater(dialogs);
        MainWindowProbe::btnExport(w)->click();
        if (exportText.isEmpty()) {
            QVERIFY(dialogs.seen.isEmpty());
        } else {
            QCOMPARE(dialogs.seen.size(), 2);
            QCOMPARE(dialogs.seen[1].icon, QMessageBox::Critical);
            QCOMPARE(dialogs.seen[1].text, exportText);
        }
        QCOMPARE(readFile(report), earlierReport);

        // Nothing stored before is lost.
        if (setup == QLatin1String("garbage"))
            QCOMPARE(readFile(file), before);
        if (setup == QLatin1String("locked")) {
            lock->release();
            QCOMPARE(describe(recordsIn(file)), describe(earlierRecords()));
        }
        if (setup == QLatin1String("readonly"))
            QVERIFY(!QFile::exists(folder + QStringLiteral("/TestHistory.db")));
    }

    void exportToAReadOnlyFolder()
    {
        QTemporaryDir scratch;
        Console console(scratch.path());
        MainWindow &w = console.w();
        QVERIFY(console.download());
        ReadOnlyFolder folder;
        ModalDriver dialogs;
        dialogs.thenChooseFile(folder.path() + QStringLiteral("/report.csv"));
        dialogs.thenClick(QMessageBox::Ok);
        const qsizetype mark = logMessages(w).size();
        MainWindowProbe::btnExport(w)->click();
        QCOMPARE(dialogs.seen.size(), 2);
        QCOMPARE(dialogs.seen[1].title, QStringLiteral("错误"));
        QCOMPARE(dialogs.seen[1].text, QStringLiteral("无法创建文件进行写入！"));
        QCOMPARE(logSince(w, mark), QStringList());
        QCOMPARE(HistoryStore::count(MainWindowProbe::db(w)), 3);
    }

    // Text4: the automatic-test period in seconds; edits take the number as milliseconds.
    void legacyPeriod_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("afterEdit");
        QTest::addColumn<int>("afterTick");
        QTest::addColumn<bool>("ticking");
        QTest::newRow("empty") << "" << 10000 << 10000 << true;
        QTest::newRow("not a number") << "ten" << 10000 << 10000 << true;
        QTest::newRow("negative") << "-5" << 10000 << 10000 << true;
        QTest::newRow("huge") << "99999999999" << 10000 << 10000 << true;
        QTest::newRow("beyond double") << "1e400" << 10000 << 10000 << true;
        QTest::newRow("fraction") << "2.5" << 2 << 2500 << true;
        QTest::newRow("zero") << "0" << 0 << 0 << false;
    }
    void legacyPeriod()
    {
        QFETCH(QString, text);
        QFETCH(int, afterEdit);
        QFETCH(int, afterTick);
        QFETCH(bool, ticking);
        LegacyForm f;
        FormTimer *timer8 = Form1Probe::timers(*f.form)[7];
        f.control<QPushButton>("Command16")->click();
        Form1Probe::tick(*f.form, 8);
        QCOMPARE(timer8->interval(), 10000);

        f.control<QLineEdit>("Text4")->setText(text);
        QCOMPARE(timer8->interval(), afterEdit);
        Form1Probe::tick(*f.form, 8);
        QCOMPARE(timer8->interval(), afterTick);
        QCOMPARE(timer8->isTicking(), ticking);
        QCOMPARE(f.control<QPushButton>("Command16")->text(), AutoTestOnCaption);
    }

    // Text2: the alarm threshold, compared with the number on the display (13.00Ω here).
    void legacyThreshold_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("overLimit"); // 7: the previous condition stays
        QTest::newRow("empty") << "" << 7;
        QTest::newRow("not a number") << "abc" << 7;
        QTest::newRow("beyond double") << "1e400" << 7;
        QTest::newRow("negative") << "-5" << 1;
        QTest::newRow("huge") << "99999999999999999999" << 0;
        QTest::newRow("equal") << " 13 " << 1;
    }
    void legacyThreshold()
    {
        QFETCH(QString, text);
        QFETCH(int, overLimit);
        LegacyForm f;
        f.control<QLineEdit>("Text2")->setText(text);
        f.state->overLimit = 7;
        f.state->fmtType = 0x12;
        f.state->fmtText = QStringLiteral("1300");
        Form1Probe::formatReading(*f.form);
        QCOMPARE(f.state->fmtText, QStringLiteral("13.00Ω"));
        QCOMPARE(int(f.state->overLimit), overLimit);
    }

    // Text1: the record page to go to, 120 records on three pages, the second one shown so that
    // a refused number is told apart from a jump to either end.
    void legacyPageNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("textAfter");
        QTest::newRow("empty") << "" << 2 << "";
        QTest::newRow("not a number") << "two" << 2 << "two";
        QTest::newRow("fraction") << "1.5" << 2 << "1.5";
        QTest::newRow("beyond 16 bits") << "99999" << 2 << "99999";
        QTest::newRow("negative") << "-5" << 1 << "1";
        QTest::newRow("zero") << "0" << 1 << "1";
        QTest::newRow("largest 16-bit") << "32767" << 3 << "3";
    }
    void legacyPageNumber()
    {
        QFETCH(QString, text);
        QFETCH(int, page);
        QFETCH(QString, textAfter);
        LegacyForm f;
        downloadRecords(*f.state, 120);
        f.state->curPage = 2;
        f.form->ShowRecordPage(2);
        f.control<QLineEdit>("Text1")->setText(text);
        f.control<QPushButton>("Command14")->click();
        QCOMPARE(f.control<QLineEdit>("Text1")->text(), textAfter);
        QCOMPARE(int(f.state->curPage), page);
        QCOMPARE(f.state->recNo[120], 120);
    }

    // Text1 and Text2 of the print-options window: the range to print, 50 records downloaded.
    void printRange_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("kai"); // 0: refused
        QTest::addColumn<int>("jie");
        QTest::newRow("empty from") << QStringLiteral("") << QStringLiteral("5") << 0 << 0;
        QTest::newRow("empty to") << QStringLiteral("1") << QStringLiteral("") << 0 << 0;
        QTest::newRow("not a number") << QStringLiteral("one") << QStringLiteral("5") << 0 << 0;
        QTest::newRow("negative") << QStringLiteral("-3") << QStringLiteral("5") << 0 << 0;
        QTest::newRow("huge to") << QStringLiteral("1") << QStringLiteral("99999999999") << 0 << 0;
        QTest::newRow("beyond double") << QStringLiteral("1") << QStringLiteral("1e400") << 0 << 0;
        QTest::newRow("to above the records")
            << QStringLiteral("3") << QStringLiteral("32767") << 3 << 50;
        QTest::newRow("plain") << QStringLiteral("2") << QStringLiteral("9") << 2 << 9;
    }
    void printRange()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, kai);
        QFETCH(int, jie);
        const std::optional<PrintChoice> choice = choosePrintRange(false, from, to, 50);
        QCOMPARE(choice.has_value(), kai != 0);
        if (choice) {
            QCOMPARE(int(choice->kai), kai);
            QCOMPARE(int(choice->jie), jie);
        }
    }

    void legacySaveWithoutADataFolder_data()
    {
        QTest::addColumn<bool>("intoTheMissingFolder");
        QTest::newRow("the name the dialog suggests") << false;
        QTest::newRow("a file inside the missing folder") << true;
    }
    void legacySaveWithoutADataFolder()
    {
        QFETCH(bool, intoTheMissingFolder);
        // HOME is a plain file, so no folder can be made inside it, not even by root.
        QTemporaryDir scratch;
        const QString home = scratch.filePath(QStringLiteral("home"));
        QFile plain(home);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QByteArray previousHome = qgetenv("HOME");
        qputenv("HOME", home.toLocal8Bit());
        const QString previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(scratch.path()));

        {
            LegacyForm f;
            downloadRecords(*f.state, 3);
            Form1Probe::showBoxes(*f.form, true);
            ModalDriver dialogs;
            const QString missing = datafolder::path() + QStringLiteral("/KOVA.txt");
            if (intoTheMissingFolder)
                dialogs.thenChooseFile(missing);
            else
                dialogs.thenAcceptSuggestion();
            dialogs.thenClick(QMessageBox::Ok);
            closeStrayModalLater(dialogs);
            f.control<QPushButton>("Command4")->click();

            QVERIFY(!QFileInfo(datafolder::path()).isDir());
            QVERIFY(!dialogs.seen.isEmpty());
            QCOMPARE(dialogs.seen[0].className, QStringLiteral("QFileDialog"));
            if (intoTheMissingFolder) {
                QCOMPARE(dialogs.seen.size(), 2);
                QCOMPARE(dialogs.seen[1].title, QStringLiteral("系统提示!"));
                QVERIFY(dialogs.seen[1].text.startsWith(QStringLiteral("保存失败")));
            } else {
                // The dialog fell back to a folder that exists; the file holds the records.
                QCOMPARE(dialogs.seen.size(), 1);
                const QFileInfo saved(dialogs.seen[0].suggestedFile);
                QVERIFY2(saved.exists(), qPrintable(saved.filePath()));
                QVERIFY(readFile(saved.filePath())
                            .contains("\xB5\xDA"
                                      "003"));
                QFile::remove(saved.filePath());
            }
            QCOMPARE(f.state->recNo[3], 3);
        }
        QDir::setCurrent(previousDir);
        qputenv("HOME", previousHome);
    }

    // Through the print button and the options window to a machine without a printer: the
    // operator is told, and the main form comes back with its records.
    void printingWithoutAPrinter()
    {
        legacyprinter::setOpener({});
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        withoutPorts();
        LegacyState state;
        resetOnLoad(state);
        Form1 *form = Form1::load(state);
        Form1Probe::stopTimers(*form);
        downloadRecords(state, 50);
        control<QPushButton>(*form, "Command7")->click();
        QVERIFY(QTest::qWaitFor([] { return shownMainForms().isEmpty(); }, Wait));
        Form2 *options = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *f2 = qobject_cast<Form2 *>(w); f2 && f2->isVisible())
                options = f2;
        }
        QVERIFY(options);

        ModalDriver dialogs;
        dialogs.thenClick(QMessageBox::Ok);
        control<QPushButton>(*options, "Command1")->click();
        QVERIFY(QTest::qWaitFor([&] { return dialogs.seen.size() == 1; }, Wait));
        QCOMPARE(dialogs.seen[0].title, QStringLiteral("系统提示!"));
        QVERIFY2(dialogs.seen[0].text.contains(QStringLiteral("本次没有打印")),
                 qPrintable(dialogs.seen[0].text));
        QVERIFY(QTest::qWaitFor([&] { return state.biaozi == 100; }, Wait));
        QVERIFY(QTest::qWaitFor([] { return shownMainForms().size() == 1; }, Wait));
        for (int n = 1; n <= 50; ++n)
            QCOMPARE(state.recNo[n], n);

        QList<QWidget *> forms;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (qobject_cast<Form1 *>(w) || qobject_cast<Form2 *>(w))
                forms << w;
        }
        qDeleteAll(forms);
        MSComm::setPortResolver({});
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLock(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestBadInput test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_badinput.moc"
