// The history page of the real window without an instrument link: the database at start-up,
// the paged table, clearing and the CSV export with their modal boxes.
#include "historyfixture.h"
#include "modaldriver.h"
#include "ptyinstrument.h"
#include "sentmarker.h"

#include <QDateTime>
#include <QFile>
#include <QHeaderView>

namespace
{

const QString Earth = QStringLiteral("接地电阻");
const QString Dc = QStringLiteral("直流电压");
const QString Ohm = QStringLiteral("Ω");
const QString KiloOhm = QStringLiteral("kΩ");
const QString Volt = QStringLiteral("V");
const QString DatabaseReady = QStringLiteral("[系统] 本地历史数据库引擎初始化成功。");
const QString ClearedLine = QStringLiteral("[数据库] 本地历史记录已被彻底清空。");
const QString ClearFailedLine =
    QStringLiteral("[错误] 本地历史记录清除失败（数据库可能被占用或只读），未向设备下发清空指令。");

#ifdef Q_OS_WIN
const QByteArray Nl = "\r\n";
#else
const QByteArray Nl = "\n";
#endif

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestHistoryWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        workDir = std::make_unique<WorkingDir>();
        QVERIFY2(workDir->isValid(), qPrintable(workDir->errorString()));
        // The window scans at once. A mute instrument holds the scan on its first port, so no
        // port of this machine is ever opened.
        SimOptions options;
        options.silent = true;
        options.paced = false;
        mute = std::make_unique<PtyInstrument>(options);
        QVERIFY2(mute->open(), qPrintable(mute->errorString()));
        qputenv("TELVORO_EXTRA_PORTS", mute->slavePath().toUtf8());
    }

    void cleanup()
    {
        window.reset();
        mute.reset();
        workDir.reset();
    }

    void startupCreatesTheDatabaseAndShowsAnEmptyPage()
    {
        build();
        QVERIFY(QFile::exists(workDir->filePath(QStringLiteral("TestHistory.db"))));
        const QStringList log = logMessages(*window);
        QVERIFY(log.size() >= 2);
        QCOMPARE(log[0], QStringLiteral("系统启动，等待扫描串口..."));
        QCOMPARE(log[1], DatabaseReady);
        QCOMPARE(MainWindowProbe::labelPage(*window)->text(), QStringLiteral(" 第 1 / 1 页 "));
        QVERIFY(!MainWindowProbe::btnPrevPage(*window)->isEnabled());
        QVERIFY(!MainWindowProbe::btnNextPage(*window)->isEnabled());
        QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), 0);
    }

    void recordsSurviveARestartAndTheConnectionIsReused()
    {
        build();
        MainWindowProbe::insertHistoryRecord(*window, 1, Earth, 1, 2, 3, Ohm, 0, true);
        window.reset();
        // The default connection is still there: the second window takes it over.
        QCOMPARE(QSqlDatabase::connectionNames().size(), 1);
        build();
        QCOMPARE(QSqlDatabase::connectionNames().size(), 1);
        QCOMPARE(logMessages(*window).value(1), DatabaseReady);
        QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), 1);

        window.reset();
        QSqlDatabase::removeDatabase(QString::fromLatin1(QSqlDatabase::defaultConnection));
        // A fresh process: the file is found again, with its record.
        build();
        QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), 1);
        QCOMPARE(MainWindowProbe::tableHistory(*window)->item(0, 0)->text(), QStringLiteral("1"));
    }

    void unusableDatabaseLeavesTheHistoryInert()
    {
        // A directory where the database file should be: SQLite cannot open it.
        QVERIFY(QDir(workDir->path()).mkdir(QStringLiteral("TestHistory.db")));
        build();
        const QStringList log = logMessages(*window);
        QVERIFY(log.value(1).startsWith(QStringLiteral("[致命] 无法连接到本地历史数据库！")));
        QVERIFY(log.value(1).size() > QStringLiteral("[致命] 无法连接到本地历史数据库！").size());

        // The page keeps what the layout built; paging has nothing to show.
        QCOMPARE(MainWindowProbe::labelPage(*window)->text(), QStringLiteral(" 第 1 / 1 页 "));
        QVERIFY(MainWindowProbe::btnPrevPage(*window)->isEnabled());
        QVERIFY(MainWindowProbe::btnNextPage(*window)->isEnabled());
        QTest::mouseClick(MainWindowProbe::btnNextPage(*window), Qt::LeftButton);
        QCOMPARE(MainWindowProbe::labelPage(*window)->text(), QStringLiteral(" 第 1 / 1 页 "));

        const int before = logMessages(*window).size();
        MainWindowProbe::insertHistoryRecord(*window, 1, Earth, 1, 2, 3, Ohm, 0, true);
        QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), 0);

        // Export does nothing at all; clearing asks, then says it could not.
        ModalDriver driver;
        QTest::mouseClick(MainWindowProbe::btnExport(*window), Qt::LeftButton);
        QVERIFY(driver.seen.isEmpty());
        driver.thenClick(QMessageBox::Yes);
        QTest::mouseClick(MainWindowProbe::btnClearHistory(*window), Qt::LeftButton);
        QCOMPARE(driver.seen.size(), 1);
        QCOMPARE(logSince(*window, before), QStringList({ClearFailedLine}));
    }

    void pagination_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("nextClicks");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("prevEnabled");
        QTest::addColumn<bool>("nextEnabled");
        QTest::addColumn<QStringList>("shownIndexes");

        const auto range = [](int from, int to) {
            QStringList indexes;
            for (int i = from; i <= to; ++i)
                indexes << QString::number(i);
            return indexes;
        };
        QTest::newRow("empty") << 0 << 0 << QStringLiteral(" 第 1 / 1 页 ") << false << false
                               << QStringList();
        QTest::newRow("exactly ten")
            << 10 << 0 << QStringLiteral(" 第 1 / 1 页 ") << false << false << range(1, 10);
        QTest::newRow("eleven, page 1")
            << 11 << 0 << QStringLiteral(" 第 1 / 2 页 ") << false << true << range(1, 10);
        QTest::newRow("eleven, page 2 holds the last alone")
            << 11 << 1 << QStringLiteral(" 第 2 / 2 页 ") << true << false << range(11, 11);
        QTest::newRow("25, middle page")
            << 25 << 1 << QStringLiteral(" 第 2 / 3 页 ") << true << true << range(11, 20);
    }

    void pagination()
    {
        QFETCH(int, records);
        QFETCH(int, nextClicks);
        QFETCH(QStringList, shownIndexes);
        build();
        // Stored in descending order: the table sorts by record number.
        for (int i = records; i >= 1; --i)
            MainWindowProbe::insertHistoryRecord(*window, i, Earth, i, i, i, Ohm, 0, false);
        MainWindowProbe::updatePagination(*window);
        for (int i = 0; i < nextClicks; ++i)
            QTest::mouseClick(MainWindowProbe::btnNextPage(*window), Qt::LeftButton);

        QTEST(MainWindowProbe::labelPage(*window)->text(), "label");
        QTEST(MainWindowProbe::btnPrevPage(*window)->isEnabled(), "prevEnabled");
        QTEST(MainWindowProbe::btnNextPage(*window)->isEnabled(), "nextEnabled");
        QTableWidget *table = MainWindowProbe::tableHistory(*window);
        QStringList shown;
        for (int row = 0; row < table->rowCount(); ++row)
            shown << table->item(row, 0)->text();
        QCOMPARE(shown, shownIndexes);
        // Row headers count the rows of the page, not the records.
        if (table->rowCount() > 0)
            QCOMPARE(table->model()->headerData(0, Qt::Vertical).toInt(), 1);
    }

    void pagingBackAndAddingKeepThePage()
    {
        build();
        for (int i = 1; i <= 25; ++i)
            MainWindowProbe::insertHistoryRecord(*window, i, Earth, i, i, i, Ohm, 0, false);
        MainWindowProbe::insertHistoryRecord(*window, 26, Earth, 1, 1, 1, Ohm, 0, true);
        QTest::mouseClick(MainWindowProbe::btnNextPage(*window), Qt::LeftButton);
        QTest::mouseClick(MainWindowProbe::btnNextPage(*window), Qt::LeftButton);
        QTest::mouseClick(MainWindowProbe::btnPrevPage(*window), Qt::LeftButton);
        QCOMPARE(MainWindowProbe::labelPage(*window)->text(), QStringLiteral(" 第 2 / 3 页 "));
        MainWindowProbe::insertHistoryRecord(*window, 40, Earth, 1, 1, 1, Ohm, 0, true);
        QCOMPARE(MainWindowProbe::labelPage(*window)->text(), QStringLiteral(" 第 2 / 3 页 "));
        QCOMPARE(MainWindowProbe::tableHistory(*window)->item(0, 0)->text(), QStringLiteral("11"));
    }

    void cellsCarryTheirRules()
    {
        build();
        MainWindowProbe::insertHistoryRecord(*window, 1, Earth, 1234.5678, 999999, 999999, KiloOhm,
                                             0, false);
        MainWindowProbe::insertHistoryRecord(*window, 2, Dc, -12.3, 30, 20, Volt, 2, true);
        QTableWidget *table = MainWindowProbe::tableHistory(*window);
        QCOMPARE(table->rowCount(), 2);

        const auto text = [table](int row, int column) { return table->item(row, column)->text(); };
        const auto colour = [table](int row, int column) {
            const QBrush brush = table->item(row, column)->foreground();
            return brush.style() == Qt::NoBrush ? QString() : brush.color().name().toUpper();
        };
        const auto alignment = [table](int row, int column) {
            return table->item(row, column)->textAlignment();
        };
        const int right = int(Qt::AlignRight | Qt::AlignVCenter);
        const int centre = int(Qt::AlignCenter);
        const int none = table->item(0, 0)->textAlignment();

        QCOMPARE(QStringList({text(0, 0), text(0, 1), text(0, 2), text(0, 3), text(0, 4),
                              text(0, 5), text(0, 6)}),
                 QStringList({QStringLiteral("1"), Earth, QStringLiteral("1234.57"),
                              QStringLiteral("OL"), QStringLiteral("OL"), KiloOhm,
                              QStringLiteral("正常")}));
        QCOMPARE(colour(0, 3), QStringLiteral("#EF5350"));
        QCOMPARE(colour(0, 4), QString());
        QCOMPARE(colour(0, 6), QStringLiteral("#4CAF50"));
        QCOMPARE(alignment(0, 2), right);
        QCOMPARE(alignment(0, 3), right);
        QCOMPARE(alignment(0, 6), centre);
        QCOMPARE(alignment(0, 1), none);

        QCOMPARE(QStringList({text(1, 2), text(1, 3), text(1, 4), text(1, 6)}),
                 QStringList({QStringLiteral("-12.3"), QStringLiteral("---"), QStringLiteral("---"),
                              QStringLiteral("低电量")}));
        QCOMPARE(alignment(1, 3), centre);
        QCOMPARE(alignment(1, 4), centre);
        QCOMPARE(colour(1, 3), QString());
        QCOMPARE(colour(1, 6), QStringLiteral("#EF5350"));
    }

    void clearingAnsweredNoChangesNothing()
    {
        build();
        MainWindowProbe::insertHistoryRecord(*window, 1, Earth, 1, 1, 1, Ohm, 0, true);
        const int before = logMessages(*window).size();
        ModalDriver driver;
        driver.thenClick(QMessageBox::No);
        QTest::mouseClick(MainWindowProbe::btnClearHistory(*window), Qt::LeftButton);

        QCOMPARE(driver.seen.size(), 1);
        const SeenDialog box = driver.seen[0];
        QCOMPARE(box.title, QStringLiteral("危险操作"));
        QCOMPARE(box.text,
                 QStringLiteral("确定要彻底清空上位机与设备端的所有测试记录吗？\n此操作不可逆！"));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), 1);
        QCOMPARE(logSince(*window, before), QStringList());
    }

    void clearingWhileNotConnectedEmptiesOnlyTheLocalStore()
    {
        build();
        for (int i = 1; i <= 25; ++i)
            MainWindowProbe::insertHistoryRecord(*window, i, Earth, i, i, i, Ohm, 0, false);
        MainWindowProbe::insertHistoryRecord(*window, 1, Earth, 1, 1, 1, Ohm, 0, true);
        QTest::mouseClick(MainWindowProbe::btnNextPage(*window), Qt::LeftButton);
        QTest::mouseClick(MainWindowProbe::btnNextPage(*window), Qt::LeftButton);
        QCOMPARE(MainWindowProbe::labelPage(*window)->text(), QStringLiteral(" 第 3 / 3 页 "));
        mute->clearReceived();

        // Twice: the second run finds nothing and still succeeds.
        for (int run = 0; run < 2; ++run) {
            const int before = logMessages(*window).size();
            ModalDriver driver;
            driver.thenClick(QMessageBox::Yes);
            QTest::mouseClick(MainWindowProbe::btnClearHistory(*window), Qt::LeftButton);
            QCOMPARE(logSince(*window, before), QStringList({ClearedLine}));
            QCOMPARE(MainWindowProbe::labelPage(*window)->text(), QStringLiteral(" 第 1 / 1 页 "));
            QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), 0);
            QVERIFY(!MainWindowProbe::btnPrevPage(*window)->isEnabled());
            QVERIFY(!MainWindowProbe::btnNextPage(*window)->isEnabled());
        }
        // The scan holds the mute instrument's port open: a clear sent would be on it.
        QVERIFY(markerHeard(*window, *mute));
        QVERIFY(!mute->receivedCommands().contains(protocol::Command::ClearRecords));
    }

    void syncWhileNotConnectedKeepsTheRecords()
    {
        build();
        MainWindowProbe::insertHistoryRecord(*window, 1, Earth, 1, 1, 1, Ohm, 0, true);
        const int before = logMessages(*window).size();
        QTest::mouseClick(MainWindowProbe::btnSyncHistory(*window), Qt::LeftButton);
        QCOMPARE(logSince(*window, before),
                 QStringList({QStringLiteral("[警告] 串口未就绪，无法同步历史数据！")}));
        QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), 1);
        QVERIFY(MainWindowProbe::btnSyncHistory(*window)->isEnabled());
        QVERIFY(!MainWindowProbe::awaitingHistoryCount(*window));
    }

    void exportWritesTheSuggestedFile()
    {
        build();
        MainWindowProbe::insertHistoryRecord(*window, 2, Dc, -25, 30, 20, Volt, 0, false);
        MainWindowProbe::insertHistoryRecord(*window, 1, Earth, 12.3, 999999, 10, KiloOhm, 1, true);
        const int before = logMessages(*window).size();

        ModalDriver driver;
        driver.thenAcceptSuggestion();
        driver.thenClick(QMessageBox::Ok);
        const QDateTime start = QDateTime::currentDateTime();
        QTest::mouseClick(MainWindowProbe::btnExport(*window), Qt::LeftButton);
        const QDateTime end = QDateTime::currentDateTime();

        QCOMPARE(driver.seen.size(), 2);
        QCOMPARE(driver.seen[0].title, QStringLiteral("导出历史数据"));
        QCOMPARE(driver.seen[0].nameFilters, QStringList({QStringLiteral("CSV 文件 (*.csv)")}));
        const QString suggested = QFileInfo(driver.seen[0].suggestedFile).fileName();
        QStringList allowed;
        for (QDateTime t = start.addSecs(-1); t <= end; t = t.addSecs(1))
            allowed << QStringLiteral("接地电阻测试报告_%1.csv")
                           .arg(t.toString(QStringLiteral("yyyyMMdd_HHmmss")));
        QVERIFY2(allowed.contains(suggested), qPrintable(suggested));

        // The dialog starts in its default directory, here the working directory.
        const QString path = workDir->filePath(suggested);
        const QByteArray expected =
            "\xEF\xBB\xBF" +
            QStringLiteral("记录序号,数据类型,平均值/电压,最大阻值,最小阻值,单位,电池状态")
                .toUtf8() +
            Nl + QStringLiteral("1,接地电阻,12.3,OL,10,kΩ,低电量").toUtf8() + Nl +
            QStringLiteral("2,直流电压,-25,---,---,V,正常").toUtf8() + Nl;
        QCOMPARE(fileBytes(path), expected);

        QCOMPARE(driver.seen[1].title, QStringLiteral("导出成功"));
        QCOMPARE(driver.seen[1].text, QStringLiteral("数据报告已成功生成！"));
        QCOMPARE(driver.seen[1].icon, QMessageBox::Information);
        QCOMPARE(logSince(*window, before),
                 QStringList({QStringLiteral("[系统] 历史数据已成功导出至: ") + path}));
    }

    void exportReplacesAnExistingFile()
    {
        build();
        const QString path = workDir->filePath(QStringLiteral("old.csv"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(1000, 'x'));
        old.close();

        ModalDriver driver;
        driver.thenChooseFile(path);
        driver.thenClick(QMessageBox::Ok);
        QTest::mouseClick(MainWindowProbe::btnExport(*window), Qt::LeftButton);
        QCOMPARE(driver.unanswered(), 0);
        // An empty history still gives a valid report: the mark and the header.
        QCOMPARE(fileBytes(path),
                 "\xEF\xBB\xBF" +
                     QStringLiteral("记录序号,数据类型,平均值/电压,最大阻值,最小阻值,单位,电池状态")
                         .toUtf8() +
                     Nl);
        QCOMPARE(driver.seen.last().title, QStringLiteral("导出成功"));
    }

    void exportedNameReadsInTheLogAsChosen()
    {
        build();
        const QString path = workDir->filePath(QStringLiteral("a<b>c & d.csv"));
        ModalDriver driver;
        driver.thenChooseFile(path);
        driver.thenClick(QMessageBox::Ok);
        QTest::mouseClick(MainWindowProbe::btnExport(*window), Qt::LeftButton);
        QVERIFY(QFile::exists(path));
        QCOMPARE(logMessages(*window).last(),
                 QStringLiteral("[系统] 历史数据已成功导出至: ") + path);
    }

    void exportCancelledWritesNothing()
    {
        build();
        const int before = logMessages(*window).size();
        ModalDriver driver;
        driver.thenChooseFile(QString());
        QTest::mouseClick(MainWindowProbe::btnExport(*window), Qt::LeftButton);
        QCOMPARE(driver.seen.size(), 1);
        QCOMPARE(QDir(workDir->path()).entryList({QStringLiteral("*.csv")}), QStringList());
        QCOMPARE(logSince(*window, before), QStringList());
    }

    void exportFailures_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("text");
        // A regular file where a directory should be: no one, not even root, can create this.
        QTest::newRow("cannot open") << QStringLiteral("blocker/report.csv") << false
                                     << QStringLiteral("无法创建文件进行写入！");
#ifdef Q_OS_LINUX
        QTest::newRow("disk full") << QStringLiteral("/dev/full") << true
                                   << QStringLiteral("写入文件时出错，数据报告不完整！");
#endif
    }

    void exportFailures()
    {
        QFETCH(QString, target);
        QFETCH(bool, exists);
        build();
        for (int i = 1; i <= 300; ++i)
            MainWindowProbe::insertHistoryRecord(*window, i, Earth, i, i, i, Ohm, 0, false);
        QFile blocker(workDir->filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = QDir(workDir->path()).absoluteFilePath(target);
        const int before = logMessages(*window).size();

        ModalDriver driver;
        driver.thenChooseFile(path);
        driver.thenClick(QMessageBox::Ok);
        QTest::mouseClick(MainWindowProbe::btnExport(*window), Qt::LeftButton);

        QCOMPARE(driver.unanswered(), 0);
        QCOMPARE(driver.seen.last().title, QStringLiteral("错误"));
        QTEST(driver.seen.last().text, "text");
        QCOMPARE(driver.seen.last().icon, QMessageBox::Critical);
        QCOMPARE(logSince(*window, before), QStringList());
        // Nothing went anywhere else either.
        QCOMPARE(QDir(workDir->path()).entryList({QStringLiteral("*.csv")}), QStringList());
        if (!exists)
            QVERIFY(!QFile::exists(path));
    }

private:
    void build()
    {
        listOnlyExtraPorts();
        window = std::make_unique<MainWindow>();
        MainWindowProbe::handshakeTimer(*window)->stop();
    }

    std::unique_ptr<WorkingDir> workDir;
    std::unique_ptr<PtyInstrument> mute;
    std::unique_ptr<MainWindow> window;
};

QTEST_MAIN(TestHistoryWindow)
#include "test_historywindow.moc"
