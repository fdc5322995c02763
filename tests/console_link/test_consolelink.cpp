// The console's port scan, handshake, receive path and live readings, end to end through
// pseudo-terminals and the simulated instrument.
#include "knownframes.h"
#include "linkfixture.h"
#include "ptyorskip.h"
#include "simplatform.h"

#include <QFile>
#include <QSerialPortInfo>
#include <QSignalSpy>

namespace
{

const QString Separator = QString(29, u'=');
const QString ScanStart = QStringLiteral("[系统] 启动设备扫描与握手...");
const QString PollingStarted = QStringLiteral("[系统] 握手成功，已开启 1Hz 实时数据轮询。");
const QString LowLevelPrefix = QStringLiteral("[底层异常] 检测到串口错误，错误码: ");

QString trying(const QString &port)
{
    return QStringLiteral("[握手] 正在尝试打开 %1 ...").arg(port);
}
QString openFailed(const QString &port)
{
    return QStringLiteral("[错误] %1 打开失败，可能被占用。").arg(port);
}
QString timedOut(const QString &port)
{
    return QStringLiteral("[超时] %1 无正确响应。").arg(port);
}
QString lockedTo(const QString &port)
{
    return QStringLiteral("[成功] 收到设备应答！已锁定至 %1").arg(port);
}

// Compares log lines with expected ones; an expected line ending in "…" matches by prefix.
bool logMatches(const QStringList &lines, const QStringList &expected)
{
    bool same = lines.size() == expected.size();
    for (qsizetype i = 0; same && i < lines.size(); ++i) {
        const QString &e = expected.at(i);
        same = e.endsWith(u'…') ? lines.at(i).startsWith(e.chopped(1)) : lines.at(i) == e;
    }
    if (!same)
        qWarning().noquote() << "log was:\n"
                             << lines.join(u'\n') << "\nexpected:\n"
                             << expected.join(u'\n');
    return same;
}

qsizetype indexOfLine(const QStringList &lines, const QString &line)
{
    return lines.indexOf(line);
}

// A device whose every byte the test writes by hand; it waits for the console's probe first.
class ScriptedDevice
{
public:
    bool open()
    {
        QString error;
        return pty.open(error);
    }
    QString path() const { return pty.slavePath(); }

    bool waitForProbe()
    {
        return QTest::qWaitFor(
            [this] {
                char buffer[64];
                const qint64 n = pty.read(buffer, sizeof buffer);
                if (n > 0)
                    received.append(buffer, int(n));
                return received.contains(QByteArray::fromHex("6465FBA6"));
            },
            10000);
    }
    void write(const QByteArray &bytes)
    {
        QCOMPARE(pty.write(bytes.constData(), bytes.size()), bytes.size());
    }

private:
    simplatform::PtyPair pty;
    QByteArray received;
};

} // namespace

class TestConsoleLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { OPEN_PTY_OR_SKIP(PtyInstrument().open()); }

    void scanSkipsDeadAndSilentPortsAndLocksToTheInstrument()
    {
        SimOptions silentOptions;
        silentOptions.silent = true;
        auto silent = openInstrument(silentOptions);
        auto instrument = openInstrument();
        CommandClock clock(*silent);
        clock.watch(*instrument);

        LinkFixture f({deadPortPath(), silent->slavePath(), instrument->slavePath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());

        const QStringList lines = logMessages(f.w());
        const qsizetype start = indexOfLine(lines, Separator);
        QVERIFY(start > 0);
        QVERIFY(logMatches(lines.mid(start),
                           {Separator, ScanStart, trying(deadPortPath()), LowLevelPrefix + u'…',
                            openFailed(deadPortPath()), trying(silent->slavePath()),
                            timedOut(silent->slavePath()), trying(instrument->slavePath()),
                            lockedTo(instrument->slavePath()), PollingStarted}));

        QCOMPARE(comboEntries(MainWindowProbe::comboPort(f.w())),
                 QStringList{instrument->slavePath() + QStringLiteral(" (已连接)")});
        QPushButton *scan = MainWindowProbe::btnScan(f.w());
        QCOMPARE(scan->text(), QStringLiteral("重新扫描/握手"));
        QCOMPARE(scan->styleSheet(), QStringLiteral("background-color: #4CAF50; color: white; "
                                                    "border: none; font-weight: bold;"));
        QVERIFY(MainWindowProbe::pollTimer(f.w())->isActive());
        QCOMPARE(MainWindowProbe::pollTimer(f.w())->interval(), 1000);
        QVERIFY(!MainWindowProbe::handshakeTimer(f.w())->isActive());

        // The silent port was probed once and given its full time before the next port; a
        // slow machine can only stretch that time.
        QVERIFY(silent->receivedCommands() == QList<quint16>{protocol::Command::Probe});
        QCOMPARE(clock.seen.size(), 2);
        QCOMPARE(clock.seen.at(0).code, protocol::Command::Probe);
        QCOMPARE(clock.seen.at(1).code, protocol::Command::Probe);
        QVERIFY(clock.seen.at(1).atMs - clock.seen.at(0).atMs >= 700);
    }

    void scanEndsWhenNoPortAnswers()
    {
        SimOptions silentOptions;
        silentOptions.silent = true;
        auto silent = openInstrument(silentOptions);
        LinkFixture f({deadPortPath(), silent->slavePath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        const QString failed = QStringLiteral("[警告] 所有串口扫描完毕，未找到设备。");
        QVERIFY(QTest::qWaitFor([&] { return logMessages(f.w()).contains(failed); }, 30000));
        QVERIFY(!f.connected());
        QVERIFY(!MainWindowProbe::serialPort(f.w())->isOpen());
        QCOMPARE(comboEntries(MainWindowProbe::comboPort(f.w())),
                 QStringList{QStringLiteral("扫描失败，请检查连接")});
        const QStringList lines = logMessages(f.w());
        QVERIFY(lines.indexOf(timedOut(silent->slavePath())) < lines.indexOf(failed));
    }

    void noPortAtAll()
    {
        LinkFixture f({});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        const QStringList lines = logMessages(f.w());
        const qsizetype start = indexOfLine(lines, Separator);
        QVERIFY(start > 0);
        QVERIFY(logMatches(
            lines.mid(start),
            {Separator, ScanStart, QStringLiteral("[错误] 未发现任何可用串口！请检查连线。")}));
        QVERIFY(MainWindowProbe::textLog(f.w())->toHtml().contains(QStringLiteral("#ef5350"),
                                                                   Qt::CaseInsensitive));
        QCOMPARE(comboEntries(MainWindowProbe::comboPort(f.w())),
                 QStringList{QStringLiteral("无可用串口")});
    }

    // Each piece is written once the console has read the one before, so they reach it as
    // separate notifications. A size of -1 means the link is up after that piece.
    void handshakeSearch_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QList<int>>("bufferAfter");

        const QByteArray reply = frameBytes(protocol::HandshakeReply);
        const QByteArray reading = frameBytes(knownframes::ReadingOhms);
        QTest::newRow("one piece") << QList<QByteArray>{reply} << QList<int>{-1};
        QTest::newRow("six bytes, then five")
            << QList<QByteArray>{reply.left(6), reply.mid(6)} << QList<int>{6, -1};
        QTest::newRow("noise before, a reading after")
            << QList<QByteArray>{QByteArray::fromHex("0155AA") + reply + reading} << QList<int>{-1};
        QTest::newRow("201 unanswered bytes are dropped")
            << QList<QByteArray>{QByteArray(201, '\x42'), reply} << QList<int>{10, -1};
        QTest::newRow("a reply across the drop is still found")
            << QList<QByteArray>{QByteArray(195, '\x42'), reply.left(6), reply.mid(6)}
            << QList<int>{195, 10, -1};
    }

    void handshakeSearch()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<int>, bufferAfter);

        ScriptedDevice device;
        QVERIFY(device.open());
        LinkFixture f({device.path()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(device.waitForProbe());

        for (qsizetype i = 0; i < pieces.size(); ++i) {
            QVERIFY(!f.connected());
            device.write(pieces.at(i));
            const int expected = bufferAfter.at(i);
            QVERIFY2(QTest::qWaitFor(
                         [&] {
                             return expected < 0
                                        ? f.connected()
                                        : MainWindowProbe::rxBuffer(f.w()).size() == expected;
                         },
                         10000),
                     qPrintable(QStringLiteral("piece %1: buffer holds %2 bytes")
                                    .arg(i)
                                    .arg(MainWindowProbe::rxBuffer(f.w()).size())));
        }
        // Whatever came with the reply is gone, not taken as a reading.
        QVERIFY(MainWindowProbe::rxBuffer(f.w()).isEmpty());
        QCOMPARE(MainWindowProbe::chartPointCount(f.w()), 0);
        QVERIFY(logMessages(f.w()).contains(lockedTo(device.path())));
    }

    void wrongReplyIsNotAccepted()
    {
        ScriptedDevice device;
        QVERIFY(device.open());
        LinkFixture f({device.path()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(device.waitForProbe());
        device.write(QByteArray(10, '\xAA') + '\xA5');
        QVERIFY(QTest::qWaitFor(
            [&] { return logMessages(f.w()).contains(timedOut(device.path())); }, 10000));
        QVERIFY(!f.connected());
    }

    void rescanWhileConnectedStartsOver()
    {
        auto instrument = openInstrument();
        LinkFixture f({instrument->slavePath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());
        CommandClock clock(*instrument);
        const qsizetype before = logMessages(f.w()).size();

        MainWindowProbe::btnScan(f.w())->click();
        QVERIFY(!f.connected());
        QVERIFY(!MainWindowProbe::pollTimer(f.w())->isActive());
        QVERIFY(MainWindowProbe::handshakeTimer(f.w())->isActive());
        QCOMPARE(MainWindowProbe::btnScan(f.w())->styleSheet(), QString());
        QVERIFY(logMatches(logSince(f.w(), before),
                           {Separator, ScanStart, trying(instrument->slavePath())}));

        QVERIFY(f.waitConnected());
        QVERIFY(clock.indexOf(protocol::Command::Probe) >= 0);
        QVERIFY(logMatches(logSince(f.w(), before),
                           {Separator, ScanStart, trying(instrument->slavePath()),
                            lockedTo(instrument->slavePath()), PollingStarted}));
    }

    // A device that vanishes while it is probed makes the port report errors over and over;
    // the operator reads one of them and the scan goes on.
    void portFailingDuringProbeIsReportedOnce()
    {
        auto vanishing = openInstrument();
        const QString vanishingPath = vanishing->slavePath();
        connect(vanishing.get(), &PtyInstrument::commandReceived, vanishing.get(),
                [&vanishing](quint16 code) {
                    if (code == protocol::Command::Probe)
                        vanishing->unplug();
                });
        vanishing->setSilent(true);
        auto instrument = openInstrument();

        LinkFixture f({vanishingPath, instrument->slavePath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());

        const QStringList lines = logMessages(f.w());
        const qsizetype from = lines.indexOf(trying(vanishingPath));
        const qsizetype to = lines.indexOf(trying(instrument->slavePath()));
        QVERIFY(from >= 0 && to > from);
        const QStringList probe = lines.mid(from + 1, to - from - 1);
        QVERIFY(logMatches(probe, {LowLevelPrefix + u'…', timedOut(vanishingPath)}));
    }

    // Port names come from the system and the environment; markup in one must show as text.
    void portNamesShowAsWritten()
    {
        auto instrument = openInstrument();
        QTemporaryDir links;
        QVERIFY(links.isValid());
        const QString marked = links.filePath(QStringLiteral("<b>tty&1"));
        QVERIFY(QFile::link(instrument->slavePath(), marked));
        const QString ampersand = QStringLiteral("/nonexistent/a&b");

        LinkFixture f({ampersand, marked});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());
        const QStringList lines = logMessages(f.w());
        QVERIFY(lines.contains(trying(ampersand)));
        QVERIFY(lines.contains(openFailed(ampersand)));
        QVERIFY(lines.contains(trying(marked)));
        QVERIFY(lines.contains(lockedTo(marked)));
        QCOMPARE(comboEntries(MainWindowProbe::comboPort(f.w())),
                 QStringList{marked + QStringLiteral(" (已连接)")});
    }

    void pollsOnceASecondAfterTheHandshake()
    {
        auto instrument = openInstrument();
        CommandClock clock(*instrument);
        LinkFixture f({instrument->slavePath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        QVERIFY(f.waitConnected());
        QVERIFY(QTest::qWaitFor([&] { return clock.count(protocol::Command::RequestReading) >= 3; },
                                15000));
        QCOMPARE(clock.seen.first().code, protocol::Command::Probe);
        for (qsizetype i = 1; i < clock.seen.size(); ++i)
            QCOMPARE(clock.seen.at(i).code, protocol::Command::RequestReading);
        // Lower bounds only: a slow machine can stretch the gaps, never shrink them.
        for (qsizetype i = 2; i < clock.seen.size(); ++i)
            QVERIFY(clock.seen.at(i).atMs - clock.seen.at(i - 1).atMs >= 800);
    }

    void readingsReachLabelsAndChart_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QList<int>>("raw");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("huge");
        QTest::addColumn<QList<double>>("chart"); // empty: no chart point

        QTest::newRow("ohms") << 1 << 2 << QList<int>{1234, 1300, 1200}
                              << QStringLiteral("当前模式: 接地电阻 (Ω)")
                              << QStringLiteral("12.34 Ω") << QList<double>{12.34, 13.0, 12.0};
        QTest::newRow("kilo-ohms plot in ohms")
            << 3 << 2 << QList<int>{1234, 1300, 1200} << QStringLiteral("当前模式: 接地电阻 (kΩ)")
            << QStringLiteral("12.34 kΩ") << QList<double>{12340, 13000, 12000};
        QTest::newRow("over range")
            << 1 << 1 << QList<int>{10000, 10000, 10000} << QStringLiteral("当前模式: 接地电阻 (Ω)")
            << QStringLiteral("OL") << QList<double>{999999, 999999, 999999};
        QTest::newRow("AC volts") << 2 << 1 << QList<int>{2305, 0, 0}
                                  << QStringLiteral("当前模式: 交流电压 (V)")
                                  << QStringLiteral("230.5 V") << QList<double>{};
        QTest::newRow("negative DC volts")
            << 5 << 2 << QList<int>{1234, 0, 0} << QStringLiteral("当前模式: 直流电压 (V)")
            << QStringLiteral("-12.34 V") << QList<double>{};
        QTest::newRow("DC over range")
            << 4 << 1 << QList<int>{10000, 0, 0} << QStringLiteral("当前模式: 直流电压 (V)")
            << QStringLiteral("OL") << QList<double>{};
    }

    void readingsReachLabelsAndChart()
    {
        QFETCH(int, kind);
        QFETCH(int, decimals);
        QFETCH(QList<int>, raw);
        QFETCH(QString, mode);
        QFETCH(QString, huge);
        QFETCH(QList<double>, chart);

        SimOptions options;
        options.kind = kind;
        options.decimals = decimals;
        options.valueA = quint16(raw.at(0));
        options.valueB = quint16(raw.at(1));
        options.valueC = quint16(raw.at(2));
        auto instrument = openInstrument(options);
        CommandClock clock(*instrument);
        LinkFixture f({instrument->slavePath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        MainWindow &w = f.w();
        QVERIFY(f.waitConnected());
        QVERIFY(QTest::qWaitFor([&] { return MainWindowProbe::labelHugeData(w)->text() == huge; },
                                10000));
        QCOMPARE(MainWindowProbe::labelMode(w)->text(), mode);
        QCOMPARE(MainWindowProbe::decimalPlaces(w), decimals);

        if (chart.isEmpty()) {
            QVERIFY(MainWindowProbe::isVoltageMode(w));
            QCOMPARE(MainWindowProbe::labelHugeData(w)->styleSheet(),
                     QStringLiteral("color: #03A9F4;"));
            QVERIFY(!MainWindowProbe::comboResDisplayMode(w)->isEnabled());
            // More voltage readings come in; none of them becomes a chart point.
            const int polls = clock.count(protocol::Command::RequestReading);
            QVERIFY(QTest::qWaitFor(
                [&] { return clock.count(protocol::Command::RequestReading) >= polls + 2; },
                10000));
            QCOMPARE(MainWindowProbe::chartPointCount(w), 0);
            QCOMPARE(MainWindowProbe::seriesAvg(w)->count(), 0);
            return;
        }

        QVERIFY(!MainWindowProbe::isVoltageMode(w));
        QVERIFY(MainWindowProbe::comboResDisplayMode(w)->isEnabled());
        const int n = MainWindowProbe::chartPointCount(w);
        QVERIFY(n >= 1);
        const QList<QLineSeries *> series{MainWindowProbe::seriesAvg(w),
                                          MainWindowProbe::seriesMax(w),
                                          MainWindowProbe::seriesMin(w)};
        for (qsizetype i = 0; i < series.size(); ++i) {
            QCOMPARE(series.at(i)->count(), n);
            QCOMPARE(series.at(i)->at(n - 1), QPointF(n, chart.at(i)));
        }
    }

    // The readings below are handed to the decoder directly, as the receive path does.
    void timeAxisScrollsAndSeriesStayBounded()
    {
        LinkFixture f({deadPortPath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        MainWindow &w = f.w();
        QValueAxis *axisX = MainWindowProbe::axisX(w);
        const auto feed = [&w](int i) {
            MainWindowProbe::processRealTimeData(
                w, frameBytes(protocol::buildFrame(0x10, 0, quint16(i), quint16(i + 1),
                                                   quint16(i - 1), 0xC000)));
        };

        for (int i = 1; i <= 60; ++i)
            feed(i);
        QCOMPARE(axisX->min(), 0.0);
        QCOMPARE(axisX->max(), 60.0);
        feed(61);
        QCOMPARE(axisX->min(), 1.0);
        QCOMPARE(axisX->max(), 61.0);

        for (int i = 62; i <= 500; ++i)
            feed(i);
        QCOMPARE(MainWindowProbe::chartPointCount(w), 500);
        QCOMPARE(axisX->min(), 440.0);
        QCOMPARE(axisX->max(), 500.0);
        // What the axis shows, and the one point beyond its left edge.
        for (QLineSeries *series : {MainWindowProbe::seriesAvg(w), MainWindowProbe::seriesMax(w),
                                    MainWindowProbe::seriesMin(w)}) {
            QCOMPARE(series->count(), 62);
            QCOMPARE(series->at(0).x(), 439.0);
            QCOMPARE(series->at(61).x(), 500.0);
        }
        QCOMPARE(MainWindowProbe::seriesAvg(w)->at(0).y(), 439.0);
        QCOMPARE(MainWindowProbe::seriesMax(w)->at(61).y(), 501.0);
        QCOMPARE(MainWindowProbe::seriesMin(w)->at(61).y(), 499.0);
    }

    void resistanceAxisOnlyGrows_data()
    {
        QTest::addColumn<QList<QByteArray>>("readings");
        QTest::addColumn<double>("axisMax");

        const auto reading = [](int mode, int max) {
            return frameBytes(protocol::buildFrame(quint8(mode), 0, 1, quint16(max), 1, 0xC000));
        };
        QTest::newRow("below the initial 200") << QList<QByteArray>{reading(0x10, 150)} << 200.0;
        QTest::newRow("250 raises it to 300") << QList<QByteArray>{reading(0x10, 250)} << 300.0;
        QTest::newRow("a later 240 leaves 300")
            << QList<QByteArray>{reading(0x10, 250), reading(0x10, 240)} << 300.0;
        QTest::newRow("0.5 kilo-ohms counts as 500 ohms")
            << QList<QByteArray>{reading(0x31, 5)} << 600.0;
        QTest::newRow("over range leaves it")
            << QList<QByteArray>{reading(0x10, 250), reading(0x10, 10000)} << 300.0;
        QTest::newRow("voltages leave it") << QList<QByteArray>{reading(0x20, 5000)} << 200.0;
    }

    void resistanceAxisOnlyGrows()
    {
        QFETCH(QList<QByteArray>, readings);
        QFETCH(double, axisMax);
        LinkFixture f({deadPortPath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        for (const QByteArray &reading : readings)
            MainWindowProbe::processRealTimeData(f.w(), reading);
        QCOMPARE(MainWindowProbe::axisY(f.w())->max(), axisMax);
    }

    // Each resistance reading asks the alarm to follow its average in ohms; voltages do not.
    void readingsDriveTheAlarm()
    {
        LinkFixture f({deadPortPath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        MainWindow &w = f.w();
        MainWindowProbe::chkAlarmEnable(w)->setChecked(true);
        MainWindowProbe::spinAlarmThreshold(w)->setValue(150);
        const auto feed = [&w](int mode, int avg) {
            MainWindowProbe::processRealTimeData(
                w, frameBytes(protocol::buildFrame(quint8(mode), 0, quint16(avg), quint16(avg),
                                                   quint16(avg), 0xC000)));
        };

        feed(0x12, 14999);
        QVERIFY(!MainWindowProbe::isAlarmActive(w));
        feed(0x31, 2); // 0.2 kΩ = 200 Ω
        QVERIFY(MainWindowProbe::isAlarmActive(w));
        feed(0x21, 2305);
        QVERIFY(MainWindowProbe::isAlarmActive(w));
        MainWindowProbe::chkAlarmEnable(w)->setChecked(false);
        QVERIFY(MainWindowProbe::isAlarmActive(w));
        feed(0x10, 10000);
        QVERIFY(!MainWindowProbe::isAlarmActive(w));
    }

    void kindZeroOnlySetsDecimals()
    {
        LinkFixture f({deadPortPath()});
        QVERIFY2(f.isValid(), qPrintable(f.errorString()));
        MainWindow &w = f.w();
        const QString mode = MainWindowProbe::labelMode(w)->text();
        const QString huge = MainWindowProbe::labelHugeData(w)->text();
        MainWindowProbe::processRealTimeData(
            w, frameBytes(protocol::buildFrame(0x03, 0, 1, 2, 3, 0xC000)));
        QCOMPARE(MainWindowProbe::decimalPlaces(w), 3);
        QCOMPARE(MainWindowProbe::labelMode(w)->text(), mode);
        QCOMPARE(MainWindowProbe::labelHugeData(w)->text(), huge);
        QCOMPARE(MainWindowProbe::chartPointCount(w), 0);
    }
};

QTEST_MAIN(TestConsoleLink)
#include "test_consolelink.moc"
