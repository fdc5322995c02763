// The modern console against a faulty line: bytes corrupted and replies cut into random pieces
// while it polls and while it downloads, and the cable pulled in the states the link tests do
// not already cover (while probing, while the count is awaited, under an open dialog).
#include "../console_alarm/alarmfixture.h"
#include "historystore.h"
#include "historysync.h"
#include "modaldriver.h"
#include "noisyline.h"
#include "protocol.h"
#include "ptyorskip.h"

#include <QLineSeries>

namespace
{

const QString FatalLine = QStringLiteral("[致命] 通信链路物理层异常断开！");
const QString LowLevelPrefix = QStringLiteral("[底层异常] 检测到串口错误，错误码: ");
const QString LostTitle = QStringLiteral("物理连接丢失");
const QString AllStored = QStringLiteral("[同步] 历史记录全部同步完毕并已安全入库！");
const QString SyncIdleText = QStringLiteral("🔄 同步设备数据");

int countStartingWith(const QStringList &lines, const QString &prefix)
{
    int n = 0;
    for (const QString &line : lines)
        n += line.startsWith(prefix);
    return n;
}

} // namespace

class TestConsoleFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { OPEN_PTY_OR_SKIP(PtyInstrument().open()); }

    void pollingThroughANoisyLine()
    {
        SimOptions options;
        options.answerDoubledCommands = true; // polls follow closer than a doubled command
        AlarmFixture f(options);
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());
        MainWindow &w = f.w();
        QVERIFY(QTest::qWaitFor([&] { return MainWindowProbe::chartPointCount(w) > 0; }, 10000));
        const QString cleanText = MainWindowProbe::labelHugeData(w)->text();
        makeNoisy(*f.instrument);
        DamageCounter damage(*f.instrument);

        // Every point the chart gets is a reading the console took from the line.
        QList<QPointF> avg, max, min;
        const auto collect = [](QLineSeries *series, QList<QPointF> &into) {
            QObject::connect(series, &QXYSeries::pointAdded, series,
                             [series, &into](int index) { into << series->at(index); });
        };
        collect(MainWindowProbe::seriesAvg(w), avg);
        collect(MainWindowProbe::seriesMax(w), max);
        collect(MainWindowProbe::seriesMin(w), min);

        // Poll far faster than once a second so the line sees a few hundred replies.
        f.instrument->clearReceived();
        MainWindowProbe::pollTimer(w)->setInterval(15);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return f.instrument->receivedCommands().count(protocol::Command::RequestReading) >=
                       400;
            },
            30000));
        // What arrives after this is not looked at: the checks below run without the event loop.
        MainWindowProbe::pollTimer(w)->stop();

        QVERIFY2(damage.damaged >= 5, qPrintable(QString::number(damage.damaged)));
        QVERIFY2(avg.size() >= 300, qPrintable(QString::number(avg.size())));
        // The instrument reads 12.34 / 13.00 / 12.00 ohms; a damaged reply shows nothing else.
        for (int i = 0; i < avg.size(); ++i) {
            QCOMPARE(avg[i].y(), 12.34);
            QCOMPARE(max[i].y(), 13.0);
            QCOMPARE(min[i].y(), 12.0);
        }
        QCOMPARE(MainWindowProbe::labelHugeData(w)->text(), cleanText);
        QVERIFY(MainWindowProbe::rxBuffer(w).size() < qsizetype(protocol::FrameSize));
        QVERIFY(MainWindowProbe::isConnected(w));
    }

    void downloadThroughANoisyLine()
    {
        SimOptions options;
        options.recordCount = 200;
        options.seed = 7;
        AlarmFixture f(options);
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());
        MainWindow &w = f.w();
        makeNoisy(*f.instrument);
        DamageCounter damage(*f.instrument);
        const qsizetype before = logMessages(w).size();

        MainWindowProbe::btnSyncHistory(w)->click();
        QVERIFY(QTest::qWaitFor([&] { return historySyncIdle(w); }, 120000));
        QVERIFY(damage.damaged >= 5);

        // Either every record arrived, or the download says where it stopped; either way each
        // stored row is exactly the instrument's record of that number.
        const QList<HistoryRecord> expected = decodeAll(f.instrument->records());
        const QList<HistoryRecord> stored = HistoryStore::all(MainWindowProbe::db(w));
        const QStringList lines = logSince(w, before);
        if (lines.contains(AllStored)) {
            QCOMPARE(stored.size(), expected.size());
        } else {
            QVERIFY2(
                countStartingWith(lines, QStringLiteral("[同步] 设备多次无应答，同步已中止")) == 1,
                qPrintable(lines.join(u'\n')));
        }
        for (const HistoryRecord &row : stored) {
            QVERIFY(row.record_index >= 1 && row.record_index <= expected.size());
            const auto same = std::find_if(expected.begin(), expected.end(), [&](const auto &e) {
                return e.record_index == row.record_index;
            });
            QVERIFY(same != expected.end());
            QCOMPARE(describe(row), describe(*same));
        }
        QCOMPARE(MainWindowProbe::btnSyncHistory(w)->text(), SyncIdleText);
        QVERIFY(MainWindowProbe::pollTimer(w)->isActive());
    }

    void cablePulledWhileProbing()
    {
        SimOptions options;
        options.silent = true; // hears the probe, never answers
        AlarmFixture f(options);
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        MainWindow &w = f.w();
        ModalDriver dialogs;
        QVERIFY(
            QTest::qWaitFor([&] { return f.instrument->receivedCommands().size() == 1; }, 10000));
        QVERIFY(MainWindowProbe::handshakeTimer(w)->isActive());
        f.instrument->unplug();

        QVERIFY(QTest::qWaitFor(
            [&] {
                return logMessages(w).contains(
                    QStringLiteral("[警告] 所有串口扫描完毕，未找到设备。"));
            },
            10000));
        QVERIFY(dialogs.seen.isEmpty());
        QVERIFY(!MainWindowProbe::isConnected(w));
        QVERIFY(!MainWindowProbe::serialPort(w)->isOpen());

        PtyInstrument again;
        again.options().paced = false;
        QVERIFY(again.open());
        qputenv("TELVORO_EXTRA_PORTS", again.slavePath().toLocal8Bit());
        MainWindowProbe::btnScan(w)->click();
        QVERIFY(f.waitConnected());
        // A late box or fatal line from the pulled cable would have come by now, before the
        // whole new scan and handshake.
        QVERIFY(dialogs.seen.isEmpty());
        QVERIFY(!logMessages(w).contains(FatalLine));
        QVERIFY(countStartingWith(logMessages(w), LowLevelPrefix) <= 1);
    }

    void cablePulledWhileTheCountIsAwaited()
    {
        AlarmFixture f;
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());
        MainWindow &w = f.w();
        f.instrument->setSilent(true);
        MainWindowProbe::btnSyncHistory(w)->click();
        QVERIFY(MainWindowProbe::awaitingHistoryCount(w));

        ModalDriver dialogs;
        dialogs.thenClick(QMessageBox::Ok);
        const qsizetype before = logMessages(w).size();
        f.instrument->unplug();
        QVERIFY(QTest::qWaitFor([&] { return !dialogs.seen.isEmpty(); }, 10000));
        QVERIFY(QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }, 10000));
        // A watchdog retry or a second box could only come from a timer of the window: once
        // what is queued has run, none of them runs.
        QCoreApplication::processEvents();
        for (const QTimer *timer : w.findChildren<QTimer *>())
            QVERIFY2(!timer->isActive(), qPrintable(QString::number(timer->interval())));

        QCOMPARE(dialogs.seen.size(), 1);
        QCOMPARE(dialogs.seen.first().title, LostTitle);
        const QStringList lines = logSince(w, before);
        QCOMPARE(lines.count(FatalLine), 1);
        QCOMPARE(lines.count(QStringLiteral("[同步] 通信链路已断开，同步已中止：未能获取历史记录总"
                                            "数，本地历史记录保持不变。")),
                 1);
        QVERIFY(!MainWindowProbe::awaitingHistoryCount(w));
        QVERIFY(MainWindowProbe::btnSyncHistory(w)->isEnabled());
        QCOMPARE(MainWindowProbe::btnSyncHistory(w)->text(), SyncIdleText);
        QVERIFY(!MainWindowProbe::pollTimer(w)->isActive());
    }

    // The lost-link box opens inside the export dialog's own event loop; both are answered and
    // the export still writes every stored record.
    void cablePulledUnderTheExportDialog()
    {
        SimOptions options;
        options.recordCount = 12;
        AlarmFixture f(options);
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());
        MainWindow &w = f.w();
        const int records = int(decodeAll(f.instrument->records()).size());
        MainWindowProbe::btnSyncHistory(w)->click();
        QVERIFY(QTest::qWaitFor([&] { return historySyncIdle(w); }, 20000));
        QCOMPARE(HistoryStore::count(MainWindowProbe::db(w)), records);

        const QString path = f.workingDir() + QStringLiteral("/report.csv");
        ModalDriver dialogs;
        PtyInstrument *instrument = f.instrument.get();
        dialogs.then([instrument](QWidget *) { instrument->unplug(); });
        dialogs.thenClick(QMessageBox::Ok); // the lost link, over the file dialog
        dialogs.thenChooseFile(path);       // the file dialog again
        dialogs.thenClick(QMessageBox::Ok); // export done
        MainWindowProbe::btnExport(w)->click();

        QCOMPARE(dialogs.unanswered(), 0);
        QCOMPARE(dialogs.seen.size(), 4);
        QCOMPARE(dialogs.seen[1].title, LostTitle);
        QCOMPARE(dialogs.seen[3].title, QStringLiteral("导出成功"));
        QVERIFY(!MainWindowProbe::isConnected(w));
        QFile report(path);
        QVERIFY(report.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(report.readAll().count('\n'), records + 1); // and the header
        QCOMPARE(HistoryStore::count(MainWindowProbe::db(w)), records);
    }
};

QTEST_MAIN(TestConsoleFaults)
#include "test_consolefaults.moc"
