// History download end to end: the real window talks to the simulated instrument on a
// pseudo-terminal, and what it stores is compared with what the instrument holds.
#include "historyfixture.h"
#include "historyrecord.h"
#include "historystore.h"
#include "historysync.h"
#include "knownframes.h"
#include "modaldriver.h"
#include "protocol.h"
#include "ptyinstrument.h"

namespace
{

constexpr int WaitMs = 20000;
const QString SyncIdleText = QStringLiteral("🔄 同步设备数据");
const QString ClearedBeforeSync = QStringLiteral("[数据库] 同步前已清理本地旧数据。");
const QString AskingCount = QStringLiteral("[同步] 正在向设备请求历史记录总数...");
const QString AllStored = QStringLiteral("[同步] 历史记录全部同步完毕并已安全入库！");

protocol::InstrumentFrame frame(std::uint8_t mode, std::uint8_t battery, std::uint16_t a,
                                std::uint16_t b, std::uint16_t c, std::uint16_t marker)
{
    return protocol::buildFrame(mode, battery, a, b, c, marker);
}

bool sameRecords(const QList<HistoryRecord> &a, const QList<HistoryRecord> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        const HistoryRecord &x = a[i];
        const HistoryRecord &y = b[i];
        if (x.record_index != y.record_index || x.data_type != y.data_type ||
            x.avg_value != y.avg_value || x.max_value != y.max_value ||
            x.min_value != y.min_value || x.unit != y.unit || x.battery != y.battery)
            return false;
    }
    return true;
}

/// The messages of the download itself.
QStringList syncLines(const QStringList &log)
{
    QStringList lines;
    for (const QString &line : log) {
        if (line.startsWith(QStringLiteral("[同步]")) ||
            line.startsWith(QStringLiteral("[数据库]")))
            lines << line;
    }
    return lines;
}

} // namespace

class TestHistoryDownload : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        window.reset();
        sim.reset();
        workDir.reset();
    }

    void emptyInstrument()
    {
        QVERIFY2(connectTo(0), qPrintable(setUpFailure));
        MainWindowProbe::insertHistoryRecord(*window, 7, QStringLiteral("接地电阻"), 1, 1, 1,
                                             QStringLiteral("Ω"), 0, true);
        const int before = logMessages(*window).size();
        startSync();
        QVERIFY(waitIdle());

        QCOMPARE(syncLines(logSince(*window, before)),
                 QStringList({AskingCount, ClearedBeforeSync,
                              QStringLiteral("[同步] 设备端无历史记录。")}));
        QCOMPARE(nonReadingCommands(), QList<quint16>({protocol::Command::RequestRecordCount}));
        // The count answered, the local store was emptied.
        QCOMPARE(HistoryStore::count(MainWindowProbe::db(*window)), 0);
        QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), 0);
        expectIdleWithPolling();
    }

    void recordsArriveOneAtATimeAndAreStoredByKind()
    {
        // Kilo-ohms with a low battery, a kind without a measurement, a reversed DC voltage.
        QVector<protocol::InstrumentFrame> records = {
            frame(0x31, 1, 123, 150, 100, 1),
            frame(0x01, 0, 5, 5, 5, 2),
            frame(0x51, 0, 250, 300, 200, 3),
        };
        QVERIFY2(connectTo(0), qPrintable(setUpFailure));
        sim->setRecords(records);

        // What the instrument heard and sent, in order, readings aside; and where the progress
        // bar stood each time a record was asked for.
        QStringList events;
        QList<int> progressAtRequest;
        connect(sim.get(), &PtyInstrument::commandReceived, this, [&](quint16 code) {
            if (code == protocol::Command::RequestReading)
                return;
            events << QStringLiteral("ask %1").arg(code);
            if (code < protocol::Command::RequestReading)
                progressAtRequest << MainWindowProbe::progressSync(*window)->value();
        });
        connect(sim.get(), &PtyInstrument::bytesSent, this, [&](const QByteArray &bytes) {
            for (int i = 0; i + 11 <= bytes.size(); i += 11) {
                const auto *f = reinterpret_cast<const std::uint8_t *>(bytes.constData() + i);
                if (!protocol::isModernReadingFrame(f))
                    events << QStringLiteral("answer %1").arg(protocol::readMarker(f), 0, 16);
            }
        });

        const int before = logMessages(*window).size();
        startSync();
        QVERIFY(waitIdle());

        QCOMPARE(events, QStringList({QStringLiteral("ask 63333"), QStringLiteral("answer e000"),
                                      QStringLiteral("ask 1"), QStringLiteral("answer 1"),
                                      QStringLiteral("ask 2"), QStringLiteral("answer 2"),
                                      QStringLiteral("ask 3"), QStringLiteral("answer 3")}));
        QCOMPARE(progressAtRequest, QList<int>({0, 1, 2}));
        QCOMPARE(MainWindowProbe::progressSync(*window)->value(), 3);
        QCOMPARE(MainWindowProbe::progressSync(*window)->maximum(), 3);
        QCOMPARE(syncLines(logSince(*window, before)),
                 QStringList({AskingCount, ClearedBeforeSync,
                              QStringLiteral("[同步] 设备端共有 3 条历史记录，开始高速同步..."),
                              AllStored}));

        const QList<HistoryRecord> stored = HistoryStore::all(MainWindowProbe::db(*window));
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored[0].record_index, 1);
        QCOMPARE(stored[0].data_type, QStringLiteral("接地电阻"));
        QCOMPARE(stored[0].avg_value, 12.3);
        QCOMPARE(stored[0].max_value, 15.0);
        QCOMPARE(stored[0].min_value, 10.0);
        QCOMPARE(stored[0].unit, QStringLiteral("kΩ"));
        QCOMPARE(stored[0].battery, 1);
        // The skipped record still used up its number.
        QCOMPARE(stored[1].record_index, 3);
        QCOMPARE(stored[1].data_type, QStringLiteral("直流电压"));
        QCOMPARE(stored[1].avg_value, -25.0);
        QCOMPARE(stored[1].max_value, 30.0);
        QCOMPARE(stored[1].min_value, 20.0);
        QCOMPARE(stored[1].unit, QStringLiteral("V"));
        QCOMPARE(stored[1].battery, 0);

        QTableWidget *table = MainWindowProbe::tableHistory(*window);
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 6)->text(), QStringLiteral("低电量"));
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral("-25"));
        expectIdleWithPolling();
    }

    void largeDownloads_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("paced");
        QTest::addColumn<int>("maxChunk");
        QTest::addColumn<int>("noiseBytes");
        QTest::newRow("200 records") << 200 << false << 0 << 0;
        // At the instrument's own speed, in small pieces, with garbage before each answer.
        QTest::newRow("30 records, paced, chunked, noisy") << 30 << true << 3 << 2;
    }

    void largeDownloads()
    {
        QFETCH(int, count);
        SimOptions options = unpaced();
        QFETCH(bool, paced);
        options.paced = paced;
        options.seed = 77;
        QVERIFY2(connectTo(count, options), qPrintable(setUpFailure));
        QFETCH(int, maxChunk);
        QFETCH(int, noiseBytes);
        sim->options().maxChunk = maxChunk;
        sim->options().noiseBytes = noiseBytes;

        startSync();
        QVERIFY(waitIdle());
        const QList<HistoryRecord> expected = decodeAll(sim->records());
        QVERIFY(expected.size() > count / 2);
        QVERIFY(sameRecords(HistoryStore::all(MainWindowProbe::db(*window)), expected));
        QCOMPARE(logMessages(*window).filter(QStringLiteral("[同步]")).last(), AllStored);
        QCOMPARE(MainWindowProbe::labelPage(*window)->text(),
                 QStringLiteral(" 第 1 / %1 页 ").arg((expected.size() + 9) / 10));
        expectIdleWithPolling();
    }

    void withoutADatabaseTheDownloadRunsAndSaysNothingWasStored()
    {
        QVERIFY2(connectTo(5, unpaced(), true), qPrintable(setUpFailure));
        const int before = logMessages(*window).size();
        startSync();
        QVERIFY(waitIdle());
        QCOMPARE(nonReadingCommands(),
                 QList<quint16>({protocol::Command::RequestRecordCount, 1, 2, 3, 4, 5}));
        // The start-up said why there is no database; the end says nothing was stored.
        const QStringList log = logSince(*window, before);
        QCOMPARE(log.filter(QStringLiteral("[错误]")),
                 QStringList{QStringLiteral("[错误] 历史记录同步完毕，但有 5 条记录未能入库！")});
        QCOMPARE(log.last(), log.filter(QStringLiteral("[错误]")).constFirst());
        QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), 0);
        expectIdleWithPolling();
    }

    void readingOnItsWayIsNotTheCount()
    {
        QVERIFY2(connectTo(3), qPrintable(setUpFailure));
        // A poll goes out, then the download starts before its answer is back.
        QList<quint16> markersSent;
        connect(sim.get(), &PtyInstrument::bytesSent, this, [&](const QByteArray &bytes) {
            for (int i = 0; i + 11 <= bytes.size(); i += 11)
                markersSent << protocol::readMarker(
                    reinterpret_cast<const std::uint8_t *>(bytes.constData() + i));
        });
        sim->clearReceived();
        MainWindowProbe::requestRealTimeData(*window);
        startSync();
        QVERIFY(waitIdle());

        QCOMPARE(markersSent.mid(0, 2),
                 QList<quint16>({protocol::ReadingMarker, protocol::CountMarker}));

        QCOMPARE(sim->receivedCommands().value(0), protocol::Command::RequestReading);
        QCOMPARE(MainWindowProbe::historyTotal(*window), 3);
        QVERIFY(logMessages(*window).contains(
            QStringLiteral("[同步] 设备端共有 3 条历史记录，开始高速同步...")));
        QVERIFY(sameRecords(HistoryStore::all(MainWindowProbe::db(*window)),
                            decodeAll(sim->records())));
    }

    void readingDuringTheRecordsIsNotARecord()
    {
        QVERIFY2(connectTo(4), qPrintable(setUpFailure));
        bool polled = false;
        connect(sim.get(), &PtyInstrument::commandReceived, this, [&](quint16 code) {
            if (code == 2 && !polled) {
                polled = true;
                MainWindowProbe::requestRealTimeData(*window);
            }
        });
        startSync();
        QVERIFY(waitIdle());

        const QList<quint16> heard = sim->receivedCommands();
        const qsizetype two = heard.indexOf(2);
        QVERIFY(two >= 0);
        QCOMPARE(heard.mid(two, 3), QList<quint16>({2, protocol::Command::RequestReading, 3}));
        QVERIFY(sameRecords(HistoryStore::all(MainWindowProbe::db(*window)),
                            decodeAll(sim->records())));
        QCOMPARE(nonReadingCommands(),
                 QList<quint16>({protocol::Command::RequestRecordCount, 1, 2, 3, 4}));
    }

    // The instrument falls silent after a first download: the second one never learns the
    // count, and the records of the first stay stored and shown.
    void silentInstrumentEndsTheDownloadCleanly()
    {
        QVERIFY2(connectTo(25), qPrintable(setUpFailure));
        startSync();
        QVERIFY(waitIdle());
        const QList<HistoryRecord> first = HistoryStore::all(MainWindowProbe::db(*window));
        QCOMPARE(first.size(), decodeAll(sim->records()).size());
        QVERIFY(first.size() > 10); // a second page to stay on
        QTest::mouseClick(MainWindowProbe::btnNextPage(*window), Qt::LeftButton);
        const QString page = MainWindowProbe::labelPage(*window)->text();
        const int rows = MainWindowProbe::tableHistory(*window)->rowCount();

        sim->setSilent(true);
        sim->clearReceived();
        const int before = logMessages(*window).size();
        startSync();
        QVERIFY(waitIdle());

        const quint16 ask = protocol::Command::RequestRecordCount;
        QCOMPARE(nonReadingCommands(), QList<quint16>({ask, ask, ask, ask}));
        QCOMPARE(syncLines(logSince(*window, before)),
                 QStringList({AskingCount,
                              QStringLiteral("[同步] 等待记录总数应答超时，重新请求 (1/3)..."),
                              QStringLiteral("[同步] 等待记录总数应答超时，重新请求 (2/3)..."),
                              QStringLiteral("[同步] 等待记录总数应答超时，重新请求 (3/3)..."),
                              QStringLiteral("[同步] 设备多次无应答，同步已中止：未能获取历史记录"
                                             "总数，本地历史记录保持不变。")}));
        QVERIFY(sameRecords(HistoryStore::all(MainWindowProbe::db(*window)), first));
        QCOMPARE(MainWindowProbe::labelPage(*window)->text(), page);
        QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), rows);
        expectIdleWithPolling();
    }

    // However a download ends, clearing and exporting wait for it: both would otherwise act on
    // a half-fetched history (and clearing would erase the instrument's records mid-download).
    void clearAndExportWaitForTheDownload_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QStringList>("asks"); // the requests watched, as the instrument heard them
        const QString count = QString::number(protocol::Command::RequestRecordCount);
        QTest::newRow("all records stored") << 3 << "finish" << QStringList{count, "2"};
        QTest::newRow("instrument holds none") << 0 << "finish" << QStringList{count};
        QTest::newRow("count never answered")
            << 3 << "silent" << QStringList{count, count, count, count};
        QTest::newRow("rescan during the records") << 3 << "rescan" << QStringList{count, "2"};
    }

    void clearAndExportWaitForTheDownload()
    {
        QFETCH(int, records);
        QFETCH(QString, ending);
        QFETCH(QStringList, asks);
        QVERIFY2(connectTo(records), qPrintable(setUpFailure));
        sim->setSilent(ending == QLatin1String("silent"));

        // Which of clear and export took clicks each time the instrument heard the count
        // request or the request for record 2.
        QStringList usable;
        QPushButton *clear = MainWindowProbe::btnClearHistory(*window);
        QPushButton *exportCsv = MainWindowProbe::btnExport(*window);
        connect(sim.get(), &PtyInstrument::commandReceived, this, [&](quint16 code) {
            if (code != protocol::Command::RequestRecordCount && code != 2)
                return;
            usable << QStringLiteral("%1:%2%3")
                          .arg(code)
                          .arg(clear->isEnabled() ? " clear" : "")
                          .arg(exportCsv->isEnabled() ? " export" : "");
            if (code == 2 && ending == QLatin1String("rescan"))
                MainWindowProbe::btnScan(*window)->click();
        });
        startSync();
        QVERIFY(waitIdle());

        QStringList expected;
        for (const QString &ask : asks)
            expected << ask + u':';
        QCOMPARE(usable, expected);
        QVERIFY(clear->isEnabled());
        QVERIFY(exportCsv->isEnabled());
        expectIdle();
    }

    void missingRecord_data()
    {
        QTest::addColumn<bool>("answersAgain");
        QTest::newRow("never comes") << false;
        QTest::newRow("comes on the second request") << true;
    }

    void missingRecord()
    {
        QFETCH(bool, answersAgain);
        QVERIFY2(connectTo(5), qPrintable(setUpFailure));
        int asksForThree = 0;
        bool armed = true;
        connect(sim.get(), &PtyInstrument::commandReceived, this, [&](quint16 code) {
            if (code != 3 || !armed)
                return;
            ++asksForThree;
            sim->setSilent(asksForThree == 1 || !answersAgain);
        });
        const int before = logMessages(*window).size();
        startSync();
        QVERIFY(waitIdle());
        const QStringList lines = syncLines(logSince(*window, before));

        if (answersAgain) {
            QCOMPARE(nonReadingCommands(),
                     QList<quint16>({protocol::Command::RequestRecordCount, 1, 2, 3, 3, 4, 5}));
            QVERIFY(
                lines.contains(QStringLiteral("[同步] 第 3 条记录应答超时，重新请求 (1/3)...")));
            QCOMPARE(lines.last(), AllStored);
            QVERIFY(sameRecords(HistoryStore::all(MainWindowProbe::db(*window)),
                                decodeAll(sim->records())));
            expectIdleWithPolling();
            return;
        }

        QCOMPARE(nonReadingCommands(),
                 QList<quint16>({protocol::Command::RequestRecordCount, 1, 2, 3, 3, 3, 3}));
        QCOMPARE(lines.last(), QStringLiteral("[同步] 设备多次无应答，同步已中止于第 3 / 5 "
                                              "条记录，已入库的 2 条记录予以保留。"));
        QVERIFY(sameRecords(HistoryStore::all(MainWindowProbe::db(*window)),
                            decodeAll(sim->records()).mid(0, 2)));
        QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), 2);
        expectIdleWithPolling();

        // The console is usable again: the next download takes everything.
        sim->setSilent(false);
        armed = false;
        startSync();
        QVERIFY(waitIdle());
        QCOMPARE(HistoryStore::count(MainWindowProbe::db(*window)), 5);
    }

    void unplugDuringTheDownloadEndsIt()
    {
        QVERIFY2(connectTo(5), qPrintable(setUpFailure));
        connect(sim.get(), &PtyInstrument::commandReceived, this, [&](quint16 code) {
            if (code == 2)
                sim->unplug();
        });
        ModalDriver driver;
        driver.thenClick(QMessageBox::Ok); // the lost-link box
        startSync();
        QVERIFY(QTest::qWaitFor([&] { return !MainWindowProbe::isConnected(*window); }, WaitMs));
        QVERIFY(QTest::qWaitFor([&] { return driver.unanswered() == 0; }, WaitMs));
        QVERIFY(waitIdle());

        QVERIFY(logMessages(*window).contains(QStringLiteral(
            "[同步] 通信链路已断开，同步已中止于第 2 / 5 条记录，已入库的 1 条记录予以保留。")));
        QCOMPARE(HistoryStore::count(MainWindowProbe::db(*window)), 1);
        QCOMPARE(MainWindowProbe::tableHistory(*window)->rowCount(), 1);
        expectIdle();
        QVERIFY(!MainWindowProbe::pollTimer(*window)->isActive());
    }

    void rescanDuringTheDownloadEndsIt()
    {
        QVERIFY2(connectTo(5), qPrintable(setUpFailure));
        QPushButton *scan = MainWindowProbe::btnScan(*window);
        connect(sim.get(), &PtyInstrument::commandReceived, this, [&](quint16 code) {
            if (code == 2)
                scan->click();
        });
        startSync();
        QVERIFY(waitIdle());
        QVERIFY(logMessages(*window).contains(QStringLiteral(
            "[同步] 通信链路已断开，同步已中止于第 2 / 5 条记录，已入库的 1 条记录予以保留。")));
        expectIdle();

        // Reconnected, the console polls again and asks for no further record. A reading on the
        // chart shows that no download takes the frames any more, and none is left to ask.
        QVERIFY(QTest::qWaitFor([&] { return MainWindowProbe::isConnected(*window); }, WaitMs));
        sim->clearReceived();
        const int points = MainWindowProbe::chartPointCount(*window);
        QVERIFY(QTest::qWaitFor([&] { return MainWindowProbe::chartPointCount(*window) > points; },
                                WaitMs));
        QVERIFY(sim->receivedCommands().contains(protocol::Command::RequestReading));
        QCOMPARE(nonReadingCommands(), QList<quint16>());
        QVERIFY(!MainWindowProbe::isSyncingHistory(*window));
    }

    void clearingWhileConnectedTellsTheInstrument()
    {
        QVERIFY2(connectTo(5), qPrintable(setUpFailure));
        QByteArray heard;
        connect(sim.get(), &PtyInstrument::bytesReceived, this,
                [&](const QByteArray &bytes) { heard += bytes; });
        const int before = logMessages(*window).size();
        ModalDriver driver;
        driver.thenClick(QMessageBox::Yes);
        QTest::mouseClick(MainWindowProbe::btnClearHistory(*window), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor(
            [&] { return sim->receivedCommands().contains(protocol::Command::ClearRecords); },
            WaitMs));

        QVERIFY(heard.contains(QByteArray::fromHex("6465FBBC")));
        QCOMPARE(sim->receivedCommands().count(protocol::Command::ClearRecords), 1);
        QCOMPARE(
            logSince(*window, before),
            QStringList({QStringLiteral("[控制] 已向设备下发清空历史记录指令 (0x64 65 FB BC)。"),
                         QStringLiteral("[数据库] 本地历史记录已被彻底清空。")}));
    }

private:
    static SimOptions unpaced()
    {
        SimOptions options;
        options.paced = false;
        return options;
    }

    /// The window connected to an instrument holding `recordCount` records; false, with
    /// `setUpFailure`, when that could not be set up.
    bool connectTo(int recordCount, SimOptions options = unpaced(), bool databaseUnusable = false)
    {
        workDir = std::make_unique<WorkingDir>();
        if (!workDir->isValid())
            return setUpFailed(workDir->errorString());
        // A directory where the database file should be: SQLite cannot open it.
        if (databaseUnusable && !QDir(workDir->path()).mkdir(QStringLiteral("TestHistory.db")))
            return setUpFailed(QStringLiteral("cannot make a directory TestHistory.db"));
        options.recordCount = recordCount;
        sim = std::make_unique<PtyInstrument>(options);
        if (!sim->open())
            return setUpFailed(sim->errorString());
        qputenv("TELVORO_EXTRA_PORTS", sim->slavePath().toUtf8());
        listOnlyExtraPorts();
        window = std::make_unique<MainWindow>();
        if (!QTest::qWaitFor([this] { return MainWindowProbe::isConnected(*window); }, WaitMs))
            return setUpFailed(QStringLiteral("the window did not find the instrument"));
        sim->clearReceived();
        return true;
    }

    bool setUpFailed(const QString &why)
    {
        setUpFailure = why;
        return false;
    }

    void startSync()
    {
        QTest::mouseClick(MainWindowProbe::btnSyncHistory(*window), Qt::LeftButton);
    }

    bool waitIdle()
    {
        return QTest::qWaitFor([this] { return historySyncIdle(*window); }, WaitMs);
    }

    void expectIdle()
    {
        QVERIFY(!MainWindowProbe::awaitingHistoryCount(*window));
        QVERIFY(!MainWindowProbe::isSyncingHistory(*window));
        QVERIFY(MainWindowProbe::btnSyncHistory(*window)->isEnabled());
        QCOMPARE(MainWindowProbe::btnSyncHistory(*window)->text(), SyncIdleText);
        QVERIFY(MainWindowProbe::progressSync(*window)->isHidden());
    }

    void expectIdleWithPolling()
    {
        expectIdle();
        QVERIFY(MainWindowProbe::pollTimer(*window)->isActive());
        QCOMPARE(MainWindowProbe::pollTimer(*window)->interval(), 1000);
    }

    QList<quint16> nonReadingCommands() const
    {
        QList<quint16> codes = sim->receivedCommands();
        codes.removeAll(protocol::Command::RequestReading);
        return codes;
    }

    QString setUpFailure;
    std::unique_ptr<WorkingDir> workDir;
    std::unique_ptr<PtyInstrument> sim;
    std::unique_ptr<MainWindow> window;
};

QTEST_MAIN(TestHistoryDownload)
#include "test_historydownload.moc"
