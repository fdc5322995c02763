// The over-limit alarm and the handling of a lost link, end to end through the simulator.
#include "alarmfixture.h"
#include "modaldriver.h"
#include "ptyorskip.h"
#include "sentmarker.h"

#include <QSignalSpy>
#include <QSqlQuery>

#include <optional>

using protocol::buildFrame;
using protocol::ReadingMarker;

namespace
{

const QString RaisedLine = QStringLiteral("[警告] 阻值超限！已触发声光报警。");
const QString ClearedLine = QStringLiteral("[恢复] 阻值回落安全范围，已解除报警。");
const QString FatalLine = QStringLiteral("[致命] 通信链路物理层异常断开！");
const QString LowLevelPrefix = QStringLiteral("[底层异常] 检测到串口错误，错误码: ");

protocol::InstrumentFrame ohms(quint16 raw)
{
    return buildFrame(0x10, 0, raw, raw, raw, ReadingMarker);
}

int countOf(const QStringList &lines, const QString &line)
{
    return int(lines.count(line));
}

int countStartingWith(const QStringList &lines, const QString &prefix)
{
    int n = 0;
    for (const QString &line : lines)
        n += line.startsWith(prefix);
    return n;
}

int storedRecords()
{
    QSqlQuery query(QStringLiteral("SELECT COUNT(*) FROM HistoryData"));
    return query.next() ? query.value(0).toInt() : -1;
}

// Connected, with polling stopped so only the test's readings reach the alarm; false when the
// console did not connect.
bool connectQuietly(AlarmFixture &f)
{
    if (!f.waitConnected())
        return false;
    MainWindowProbe::pollTimer(f.w())->stop();
    QTest::qWait(100); // let a reading already on its way arrive before the test's own
    return true;
}

} // namespace

class TestConsoleAlarm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { OPEN_PTY_OR_SKIP(PtyInstrument().open()); }

    void raisesOnceAndClearsOnce()
    {
        AlarmFixture f;
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(connectQuietly(f));
        MainWindow &w = f.w();
        MainWindowProbe::spinAlarmThreshold(w)->setValue(150);
        MainWindowProbe::chkAlarmEnable(w)->setChecked(true);
        f.instrument->clearReceived();
        const qsizetype before = logMessages(w).size();

        const struct {
            quint16 raw;
            bool raised;
        } steps[] = {{120, false}, {160, true}, {170, true}, {140, false}};
        for (const auto &step : steps) {
            MainWindowProbe::processRealTimeData(w, ohms(step.raw));
            QCOMPARE(MainWindowProbe::isAlarmActive(w), step.raised);
            QCOMPARE(MainWindowProbe::alarmOverlay(w)->isVisible(), step.raised);
            QCOMPARE(MainWindowProbe::alarmAnimation(w)->state() == QAbstractAnimation::Running,
                     step.raised);
        }
        QVERIFY(QTest::qWaitFor(
            [&] { return f.instrument->receivedCommands().count(protocol::Command::BuzzerOff); },
            10000));
        QVERIFY(markerHeard(w, *f.instrument));
        const QList<quint16> sent = f.instrument->receivedCommands();
        QCOMPARE(sent.count(protocol::Command::BuzzerOn), 1);
        QCOMPARE(sent.count(protocol::Command::BuzzerOff), 1);
        QVERIFY(sent.indexOf(protocol::Command::BuzzerOn) <
                sent.indexOf(protocol::Command::BuzzerOff));

        const QStringList lines = logMessages(w).mid(before);
        QCOMPARE(countOf(lines, RaisedLine), 1);
        QCOMPARE(countOf(lines, ClearedLine), 1);
        QVERIFY(lines.indexOf(RaisedLine) < lines.indexOf(ClearedLine));
    }

    void comparesTheAverageInOhms_data()
    {
        QTest::addColumn<int>("modeByte");
        QTest::addColumn<int>("raw");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<bool>("raised");
        QTest::newRow("ohms below") << 0x10 << 149 << 150.0 << false;
        QTest::newRow("ohms at the threshold") << 0x10 << 150 << 150.0 << true;
        QTest::newRow("ohms with decimals below") << 0x12 << 14999 << 150.0 << false;
        QTest::newRow("0.2 kilo-ohm is 200 ohms") << 0x31 << 2 << 150.0 << true;
        QTest::newRow("0.14 kilo-ohm is 140 ohms") << 0x32 << 14 << 150.0 << false;
        QTest::newRow("30 kilo-ohms at the top threshold") << 0x30 << 30 << 30000.0 << true;
        QTest::newRow("over range at the top threshold") << 0x10 << 10000 << 30000.0 << true;
        QTest::newRow("over range kilo-ohms") << 0x31 << 10000 << 30000.0 << true;
    }
    void comparesTheAverageInOhms()
    {
        QFETCH(int, modeByte);
        QFETCH(int, raw);
        QFETCH(double, threshold);
        AlarmFixture f;
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(connectQuietly(f));
        MainWindow &w = f.w();
        MainWindowProbe::spinAlarmThreshold(w)->setValue(threshold);
        MainWindowProbe::chkAlarmEnable(w)->setChecked(true);
        MainWindowProbe::processRealTimeData(w,
                                             buildFrame(quint8(modeByte), 0, quint16(raw),
                                                        quint16(raw), quint16(raw), ReadingMarker));
        QTEST(MainWindowProbe::isAlarmActive(w), "raised");
    }

    void switchingOffClearsAtTheNextResistanceReading()
    {
        AlarmFixture f;
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(connectQuietly(f));
        MainWindow &w = f.w();
        MainWindowProbe::spinAlarmThreshold(w)->setValue(100);
        MainWindowProbe::chkAlarmEnable(w)->setChecked(true);
        MainWindowProbe::processRealTimeData(w, ohms(500));
        QVERIFY(MainWindowProbe::isAlarmActive(w));

        MainWindowProbe::chkAlarmEnable(w)->setChecked(false);
        QVERIFY(MainWindowProbe::isAlarmActive(w)); // not at the click

        // A voltage reading leaves the alarm alone.
        MainWindowProbe::processRealTimeData(w, buildFrame(0x20, 0, 230, 0, 0, ReadingMarker));
        QVERIFY(MainWindowProbe::isAlarmActive(w));
        QVERIFY(MainWindowProbe::alarmOverlay(w)->isVisible());

        MainWindowProbe::processRealTimeData(w, ohms(500));
        QVERIFY(!MainWindowProbe::isAlarmActive(w));
        QVERIFY(!MainWindowProbe::alarmOverlay(w)->isVisible());
    }

    void voltagesNeverRaise()
    {
        AlarmFixture f;
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(connectQuietly(f));
        MainWindow &w = f.w();
        MainWindowProbe::spinAlarmThreshold(w)->setValue(0);
        MainWindowProbe::chkAlarmEnable(w)->setChecked(true);
        for (const quint8 mode : {quint8(0x20), quint8(0x40), quint8(0x50)}) {
            MainWindowProbe::processRealTimeData(
                w, buildFrame(mode, 0, 10000, 10000, 10000, ReadingMarker));
            QVERIFY(!MainWindowProbe::isAlarmActive(w));
        }
    }

    void overlayCoversTheWindowAndLetsClicksThrough()
    {
        AlarmFixture f;
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(connectQuietly(f));
        MainWindow &w = f.w();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        MainWindowProbe::spinAlarmThreshold(w)->setValue(10);
        MainWindowProbe::chkAlarmEnable(w)->setChecked(true);
        MainWindowProbe::processRealTimeData(w, ohms(500));
        QWidget *overlay = MainWindowProbe::alarmOverlay(w);
        QVERIFY(overlay->isVisible());
        QCOMPARE(overlay->geometry(), w.rect());

        w.resize(1300, 900);
        QTRY_COMPARE(w.size(), QSize(1300, 900));
        QCOMPARE(overlay->geometry(), QRect(0, 0, 1300, 900));

        // A click at the button's place goes through the overlay to the button.
        QPushButton *button = MainWindowProbe::btnSingleTest(w);
        const QPoint at = button->mapTo(&w, button->rect().center());
        QCOMPARE(w.childAt(at), button);
        QSignalSpy clicked(button, &QPushButton::clicked);
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, at);
        QTRY_COMPARE(clicked.count(), 1);

        // Once cleared, resizing leaves the overlay hidden.
        MainWindowProbe::processRealTimeData(w, ohms(1));
        QVERIFY(!overlay->isVisible());
        w.resize(1100, 800);
        QTRY_COMPARE(w.size(), QSize(1100, 800));
        QVERIFY(!overlay->isVisible());
    }

    void timeoutWhileConnectedIsOnlyLogged()
    {
        AlarmFixture f;
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());
        MainWindow &w = f.w();
        ModalDriver dialogs;
        const qsizetype before = logMessages(w).size();
        emit MainWindowProbe::serialPort(w)->errorOccurred(QSerialPort::TimeoutError);
        // The link still carries commands, so nothing tore it down meanwhile.
        QVERIFY(markerHeard(w, *f.instrument));
        const QStringList lines = logMessages(w).mid(before);
        QCOMPARE(countStartingWith(lines, LowLevelPrefix + QStringLiteral("9, ")), 1);
        QCOMPARE(countOf(lines, FatalLine), 0);
        QVERIFY(MainWindowProbe::isConnected(w));
        QVERIFY(MainWindowProbe::pollTimer(w)->isActive());
        QVERIFY(dialogs.seen.isEmpty());
    }

    // A rescan drops the link, and with it what the link was doing: the alarm goes down with
    // the buzzer switched off while the instrument can still hear it, and the automatic test
    // stops as if switched off by hand, before the port closes.
    void rescanEndsWhatBelongsToTheOldLink_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("linesBeforeTheScan");
        QTest::newRow("alarm raised")
            << "alarm"
            << QStringList{QStringLiteral("[系统] 重新扫描前已解除声光报警。"),
                           QStringLiteral("[控制] 已下发 关蜂鸣器 指令: 64 65 F7 44")};
        QTest::newRow("automatic test running")
            << "autotest" << QStringList{QStringLiteral("[自动测试] 任务已手动停止。")};
    }
    void rescanEndsWhatBelongsToTheOldLink()
    {
        QFETCH(QString, state);
        QFETCH(QStringList, linesBeforeTheScan);
        AlarmFixture f;
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());
        MainWindow &w = f.w();
        if (state == QLatin1String("alarm")) {
            MainWindowProbe::spinAlarmThreshold(w)->setValue(0);
            MainWindowProbe::chkAlarmEnable(w)->setChecked(true);
            QVERIFY(QTest::qWaitFor([&] { return f.instrument->buzzerOn(); }, 10000));
        } else {
            MainWindowProbe::btnAutoTest(w)->click();
            QVERIFY(MainWindowProbe::autoTestTimer(w)->isActive());
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return f.instrument->receivedCommands().contains(protocol::Command::SingleTest);
                },
                10000));
        }

        // The instrument's buzzer and what it heard when the new scan's probe reached it.
        QList<quint16> heardBeforeProbe;
        std::optional<bool> buzzerAtProbe;
        connect(f.instrument.get(), &PtyInstrument::commandReceived, this, [&](quint16 code) {
            if (code == protocol::Command::Probe && !buzzerAtProbe) {
                buzzerAtProbe = f.instrument->buzzerOn();
                heardBeforeProbe = f.instrument->receivedCommands();
            }
        });
        f.instrument->clearReceived();
        const qsizetype before = logMessages(w).size();
        MainWindowProbe::btnScan(w)->click();

        QVERIFY(!MainWindowProbe::isAlarmActive(w));
        QVERIFY(!MainWindowProbe::alarmOverlay(w)->isVisible());
        QCOMPARE(MainWindowProbe::alarmAnimation(w)->state(), QAbstractAnimation::Stopped);
        QVERIFY(!MainWindowProbe::autoTestTimer(w)->isActive());
        QVERIFY(!MainWindowProbe::btnAutoTest(w)->isChecked());
        QCOMPARE(MainWindowProbe::btnAutoTest(w)->text(), QStringLiteral("▶ 开始自动测试"));
        QVERIFY(MainWindowProbe::btnSingleTest(w)->isEnabled());
        const QStringList scanStart = {QString(29, u'='),
                                       QStringLiteral("[系统] 启动设备扫描与握手...")};
        QCOMPARE(logMessages(w).mid(before, linesBeforeTheScan.size() + 2),
                 linesBeforeTheScan + scanStart);

        QVERIFY(f.waitConnected());
        QVERIFY(buzzerAtProbe.has_value());
        QVERIFY(!*buzzerAtProbe);
        heardBeforeProbe.removeAll(protocol::Command::RequestReading);
        QList<quint16> expected = {protocol::Command::Probe};
        if (state == QLatin1String("alarm"))
            expected.prepend(protocol::Command::BuzzerOff);
        QCOMPARE(heardBeforeProbe, expected);
    }

    void cablePulled_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("connected") << "connected";
        QTest::newRow("automatic test running") << "autotest";
        QTest::newRow("downloading records") << "download";
        QTest::newRow("alarm raised") << "alarm";
    }
    void cablePulled()
    {
        QFETCH(QString, state);
        SimOptions options;
        options.recordCount = 300;
        AlarmFixture f(options);
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());
        MainWindow &w = f.w();

        int storedBeforePull = 0;
        if (state == QLatin1String("autotest")) {
            MainWindowProbe::btnAutoTest(w)->click();
            QVERIFY(MainWindowProbe::autoTestTimer(w)->isActive());
        } else if (state == QLatin1String("download")) {
            f.instrument->options().paced = true; // about 31 ms a record: still running later
            MainWindowProbe::btnSyncHistory(w)->click();
            QVERIFY(QTest::qWaitFor([] { return storedRecords() >= 10; }, 20000));
            QVERIFY(MainWindowProbe::isSyncingHistory(w));
        } else if (state == QLatin1String("alarm")) {
            MainWindowProbe::spinAlarmThreshold(w)->setValue(0);
            MainWindowProbe::chkAlarmEnable(w)->setChecked(true);
            QVERIFY(QTest::qWaitFor([&] { return MainWindowProbe::isAlarmActive(w); }, 10000));
        }

        ModalDriver dialogs;
        dialogs.thenClick(QMessageBox::Ok);
        const qsizetype before = logMessages(w).size();
        storedBeforePull = storedRecords();
        f.instrument->unplug();

        QVERIFY(QTest::qWaitFor([&] { return !dialogs.seen.isEmpty(); }, 10000));
        QVERIFY(
            QTest::qWaitFor([] { return QApplication::activeModalWidget() == nullptr; }, 10000));
        // Nothing is left to bring a repeated error, poll or box: once what is queued has run,
        // no timer of the window runs (the window has no other source of time).
        QCoreApplication::processEvents();
        for (const QTimer *timer : w.findChildren<QTimer *>())
            QVERIFY2(!timer->isActive(), qPrintable(QString::number(timer->interval())));
        QCOMPARE(dialogs.seen.size(), 1);
        QCOMPARE(dialogs.seen.first().title, QStringLiteral("物理连接丢失"));
        QCOMPARE(dialogs.seen.first().icon, QMessageBox::Critical);
        QCOMPARE(dialogs.seen.first().text,
                 QStringLiteral("设备通信线缆已被意外拔出或连接异常中断！\n"
                                "请检查 USB 连接线后重新进行扫描。"));

        const QStringList lines = logMessages(w).mid(before);
        QCOMPARE(countStartingWith(lines, LowLevelPrefix), 1);
        QCOMPARE(countOf(lines, FatalLine), 1);
        QVERIFY(lines.indexOf(FatalLine) > 0);
        QVERIFY(lines.first().startsWith(LowLevelPrefix));

        QVERIFY(!MainWindowProbe::isConnected(w));
        QVERIFY(!MainWindowProbe::serialPort(w)->isOpen());
        QVERIFY(!MainWindowProbe::pollTimer(w)->isActive());
        QVERIFY(!MainWindowProbe::autoTestTimer(w)->isActive());
        QComboBox *combo = MainWindowProbe::comboPort(w);
        QCOMPARE(combo->count(), 1);
        QCOMPARE(combo->itemText(0), QStringLiteral("请检查线缆并重新扫描..."));
        QCOMPARE(MainWindowProbe::btnScan(w)->text(), QStringLiteral("开始扫描串口"));
        QVERIFY(MainWindowProbe::btnScan(w)->styleSheet().isEmpty());
        QVERIFY(!MainWindowProbe::btnAutoTest(w)->isChecked());
        QCOMPARE(MainWindowProbe::btnAutoTest(w)->text(), QStringLiteral("▶ 开始自动测试"));
        QVERIFY(MainWindowProbe::btnSingleTest(w)->isEnabled());
        QVERIFY(!MainWindowProbe::isAlarmActive(w));
        QVERIFY(!MainWindowProbe::alarmOverlay(w)->isVisible());
        QCOMPARE(countOf(lines, ClearedLine), 0);
        QVERIFY(storedRecords() >= storedBeforePull);
        QCOMPARE(countOf(lines, QStringLiteral("[自动测试] 任务已手动停止。")),
                 state == QLatin1String("autotest") ? 1 : 0);

        // Plugged in again, a rescan finds the instrument.
        PtyInstrument again(SimOptions{});
        again.options().paced = false;
        QVERIFY(again.open());
        qputenv("TELVORO_EXTRA_PORTS", again.slavePath().toLocal8Bit());
        MainWindowProbe::btnScan(w)->click();
        QVERIFY(f.waitConnected());
        QCOMPARE(MainWindowProbe::btnScan(w)->text(), QStringLiteral("重新扫描/握手"));
        QVERIFY(storedRecords() >= storedBeforePull);
    }
};

QTEST_MAIN(TestConsoleAlarm)
#include "test_consolealarm.moc"
