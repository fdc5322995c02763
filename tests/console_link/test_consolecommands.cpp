// The console's command buttons and automatic test, end to end through the simulated instrument.
#include "linkfixture.h"
#include "ptyorskip.h"

namespace
{

const QString AutoTestStopped = QStringLiteral("[自动测试] 任务已手动停止。");
const QString SingleTestLine = QStringLiteral("[控制] 已下发 单次测试 指令: 64 65 EE B7");
const QString AutoSingleTestLine = QStringLiteral("[控制] 已下发 自动单次测试 指令: 64 65 EE B7");

QPushButton *buttonCaptioned(MainWindow &w, const QString &caption)
{
    for (QPushButton *button : w.findChildren<QPushButton *>()) {
        if (button->text() == caption)
            return button;
    }
    return nullptr;
}

// Everything the instrument receives, byte for byte.
class ReceivedBytes : public QObject
{
public:
    explicit ReceivedBytes(PtyInstrument &instrument)
    {
        connect(&instrument, &PtyInstrument::bytesReceived, this,
                [this](const QByteArray &b) { bytes += b; });
    }
    QByteArray bytes;
};

// Gap between the first `first` at or after `from` and the next `then` after it, or -1.
qint64 gapAfter(const CommandClock &clock, quint16 first, quint16 then, qsizetype from = 0)
{
    const qsizetype a = clock.indexOf(first, from);
    const qsizetype b = a < 0 ? -1 : clock.indexOf(then, a + 1);
    return b < 0 ? -1 : clock.seen.at(b).atMs - clock.seen.at(a).atMs;
}

} // namespace

class TestConsoleCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { OPEN_PTY_OR_SKIP(PtyInstrument().open()); }

    void buttonsWriteTheirCommand_data() { addButtonRows(); }
    void buttonsWriteTheirCommand()
    {
        QFETCH(QString, caption);
        QFETCH(QByteArray, wire);
        QFETCH(QString, hex);

        auto instrument = openInstrument();
        LinkFixture f({instrument->slavePath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        MainWindow &w = f.w();
        QVERIFY(f.waitConnected());
        // Without polling the instrument hears nothing but the button.
        MainWindowProbe::pollTimer(w)->stop();
        ReceivedBytes received(*instrument);
        const qsizetype before = logMessages(w).size();

        QPushButton *button = buttonCaptioned(w, caption);
        QVERIFY(button);
        button->click();
        QVERIFY(QTest::qWaitFor([&] { return received.bytes.size() >= 4; }, 10000));
        QCOMPARE(received.bytes, wire);
        QCOMPARE(logSince(w, before),
                 QStringList{QStringLiteral("[控制] 已下发 %1 指令: %2").arg(caption, hex)});
    }

    void buttonsRefusedWhileDisconnected_data() { addButtonRows(); }

    void buttonsRefusedWhileDisconnected()
    {
        QFETCH(QString, caption);

        LinkFixture f({deadPortPath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        MainWindow &w = f.w();
        const qsizetype before = logMessages(w).size();
        buttonCaptioned(w, caption)->click();
        QCOMPARE(logSince(w, before),
                 QStringList{QStringLiteral("[警告] 未连接设备，无法执行操作: %1").arg(caption)});
    }

    void singleTestPausesPollingForASecond()
    {
        auto instrument = openInstrument();
        CommandClock clock(*instrument);
        LinkFixture f({instrument->slavePath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        MainWindow &w = f.w();
        QVERIFY(f.waitConnected());
        QVERIFY(QTest::qWaitFor([&] { return clock.count(protocol::Command::RequestReading) >= 1; },
                                10000));

        MainWindowProbe::btnSingleTest(w)->click();
        QVERIFY(MainWindowProbe::pollTimer(w)->isActive());
        QVERIFY(logMessages(w).endsWith(SingleTestLine));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return gapAfter(clock, protocol::Command::SingleTest,
                                protocol::Command::RequestReading) >= 0;
            },
            10000));
        // A lower bound: a slow machine can only stretch the pause.
        QVERIFY(gapAfter(clock, protocol::Command::SingleTest, protocol::Command::RequestReading) >=
                800);
    }

    void automaticTestRunsAtItsPeriod()
    {
        auto instrument = openInstrument();
        CommandClock clock(*instrument);
        LinkFixture f({instrument->slavePath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        MainWindow &w = f.w();
        QVERIFY(f.waitConnected());
        QPushButton *autoTest = MainWindowProbe::btnAutoTest(w);
        QTimer *autoTimer = MainWindowProbe::autoTestTimer(w);
        const qsizetype before = logMessages(w).size();

        autoTest->click();
        QVERIFY(autoTest->isChecked());
        QCOMPARE(autoTest->text(), QStringLiteral("⏹ 停止自动测试"));
        QVERIFY(!MainWindowProbe::btnSingleTest(w)->isEnabled());
        QVERIFY(autoTimer->isActive());
        QCOMPARE(autoTimer->interval(), 10000);
        QCOMPARE(logSince(w, before),
                 (QStringList{QStringLiteral("[自动测试] 任务已启动，测试周期: 10 秒/次"),
                              AutoSingleTestLine}));

        // The period was read at the start; changing the spin box now changes nothing.
        MainWindowProbe::spinAutoTestPeriod(w)->setValue(30);
        QCOMPARE(autoTimer->interval(), 10000);

        // The first test goes out at once, the next one a period later, polls in between.
        QVERIFY(QTest::qWaitFor([&] { return clock.count(protocol::Command::SingleTest) >= 2; },
                                30000));
        const qsizetype first = clock.indexOf(protocol::Command::SingleTest);
        const qsizetype second = clock.indexOf(protocol::Command::SingleTest, first + 1);
        QVERIFY(clock.seen.at(second).atMs - clock.seen.at(first).atMs >= 9000);
        QVERIFY(clock.indexOf(protocol::Command::RequestReading, first) < second);
        QVERIFY(gapAfter(clock, protocol::Command::SingleTest, protocol::Command::RequestReading,
                         first) >= 800);
        QCOMPARE(logMessages(w).count(AutoSingleTestLine), 2);

        const qsizetype beforeStop = logMessages(w).size();
        autoTest->click();
        QVERIFY(!autoTest->isChecked());
        QVERIFY(!autoTimer->isActive());
        QVERIFY(MainWindowProbe::btnSingleTest(w)->isEnabled());
        QCOMPARE(autoTest->text(), QStringLiteral("▶ 开始自动测试"));
        QCOMPARE(logSince(w, beforeStop), QStringList{AutoTestStopped});
    }

    void automaticTestRefusesShortPeriods_data()
    {
        QTest::addColumn<int>("period");
        QTest::newRow("5 s") << 5;
        QTest::newRow("9 s") << 9;
        QTest::newRow("1 s") << 1;
    }

    void automaticTestRefusesShortPeriods()
    {
        QFETCH(int, period);
        auto instrument = openInstrument();
        LinkFixture f({instrument->slavePath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        MainWindow &w = f.w();
        QVERIFY(f.waitConnected());
        MainWindowProbe::spinAutoTestPeriod(w)->setValue(period);
        const qsizetype before = logMessages(w).size();

        MainWindowProbe::btnAutoTest(w)->click();
        QCOMPARE(logSince(w, before),
                 (QStringList{AutoTestStopped,
                              QStringLiteral("[警告] 硬件测试单次最长耗时 8.5 秒，自动下发周期不得"
                                             "低于 10 秒！已自动重置为 10 秒。")}));
        QVERIFY(!MainWindowProbe::btnAutoTest(w)->isChecked());
        QCOMPARE(MainWindowProbe::btnAutoTest(w)->text(), QStringLiteral("▶ 开始自动测试"));
        QCOMPARE(MainWindowProbe::spinAutoTestPeriod(w)->value(), 10);
        QVERIFY(!MainWindowProbe::autoTestTimer(w)->isActive());
        QVERIFY(MainWindowProbe::btnSingleTest(w)->isEnabled());
        QCOMPARE(MainWindowProbe::serialPort(w)->bytesToWrite(), 0);
    }

    void automaticTestRefusedWhileDisconnected()
    {
        LinkFixture f({deadPortPath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        MainWindow &w = f.w();
        const qsizetype before = logMessages(w).size();
        MainWindowProbe::btnAutoTest(w)->click();
        QCOMPARE(logSince(w, before),
                 (QStringList{AutoTestStopped,
                              QStringLiteral("[系统] 串口未就绪，无法开启自动测试！")}));
        QVERIFY(!MainWindowProbe::btnAutoTest(w)->isChecked());
        QVERIFY(!MainWindowProbe::autoTestTimer(w)->isActive());
    }

private:
    static void addButtonRows()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("hex");

        QTest::newRow("line resistance check")
            << QStringLiteral("线阻校验") << QByteArray::fromHex("6465F770")
            << QStringLiteral("64 65 F7 70");
        QTest::newRow("single test")
            << QStringLiteral("单次测试") << QByteArray::fromHex("6465EEB7")
            << QStringLiteral("64 65 EE B7");
        QTest::newRow("backlight on") << QStringLiteral("开背光") << QByteArray::fromHex("6465FB9B")
                                      << QStringLiteral("64 65 FB 9B");
        QTest::newRow("backlight off")
            << QStringLiteral("关背光") << QByteArray::fromHex("6465FB90")
            << QStringLiteral("64 65 FB 90");
        QTest::newRow("buzzer on") << QStringLiteral("开蜂鸣器") << QByteArray::fromHex("6465F74F")
                                   << QStringLiteral("64 65 F7 4F");
        QTest::newRow("buzzer off") << QStringLiteral("关蜂鸣器") << QByteArray::fromHex("6465F744")
                                    << QStringLiteral("64 65 F7 44");
    }
};

QTEST_MAIN(TestConsoleCommands)
#include "test_consolecommands.moc"
