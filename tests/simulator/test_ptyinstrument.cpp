#include "knownframes.h"
#include "protocol.h"
#include "ptyinstrument.h"
#include "ptyorskip.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

using namespace protocol;

namespace
{

QByteArray toBytes(const InstrumentFrame &f)
{
    return QByteArray(reinterpret_cast<const char *>(f.data()), qsizetype(f.size()));
}

QByteArray command(CommandCode code)
{
    const CommandFrame frame = buildCommand(code);
    return QByteArray(reinterpret_cast<const char *>(frame.data()), 4);
}

SimOptions fastOptions()
{
    SimOptions o;
    o.paced = false;
    o.testTimeMs = 0;
    return o;
}

// A console's side of the line: a QSerialPort at 4800 8N1 that collects what arrives.
class Console
{
public:
    bool open(const QString &path)
    {
        port.setPortName(path);
        port.setBaudRate(QSerialPort::Baud4800);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        QObject::connect(&port, &QSerialPort::readyRead, [this] { received += port.readAll(); });
        return port.open(QIODevice::ReadWrite);
    }

    void send(const QByteArray &bytes) { QCOMPARE(port.write(bytes), qint64(bytes.size())); }

    // Waits for `size` bytes and takes them out of what arrived.
    QByteArray take(int size)
    {
        // The caller compares what came; a short answer shows there.
        (void)QTest::qWaitFor([&] { return received.size() >= size; }, 10000);
        const QByteArray head = received.left(size);
        received.remove(0, head.size());
        return head;
    }

    QByteArray ask(CommandCode code)
    {
        send(command(code));
        return take(int(FrameSize));
    }

    QSerialPort port;
    QByteArray received;
};

} // namespace

class TestPtyInstrument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { OPEN_PTY_OR_SKIP(PtyInstrument().open()); }

    // The whole conversation through a real serial port, byte for byte, on a clean line and on
    // lines that pace, split and prefix the replies.
    void answersEveryCommandByteExact_data()
    {
        QTest::addColumn<bool>("paced");
        QTest::addColumn<int>("maxChunk");
        QTest::addColumn<int>("noise");
        QTest::newRow("fast, whole replies") << false << 0 << 0;
        QTest::newRow("fast, pieces of 1..3 bytes") << false << 3 << 0;
        QTest::newRow("fast, pieces of 1 byte") << false << 1 << 0;
        QTest::newRow("fast, 4 noise bytes first") << false << 0 << 4;
        QTest::newRow("paced at 4800 baud") << true << 0 << 0;
    }

    void answersEveryCommandByteExact()
    {
        QFETCH(bool, paced);
        QFETCH(int, maxChunk);
        QFETCH(int, noise);
        SimOptions options = fastOptions();
        options.paced = paced;
        options.maxChunk = maxChunk;
        options.noiseBytes = noise;
        options.recordCount = paced ? 3 : 12;
        PtyInstrument instrument(options);
        QVERIFY2(instrument.open(), qPrintable(instrument.errorString()));
        Console console;
        QVERIFY2(console.open(instrument.slavePath()), qPrintable(console.port.errorString()));

        const auto ask = [&](CommandCode code) {
            console.send(command(code));
            const QByteArray noiseBytes = console.take(noise);
            Q_UNUSED(noiseBytes)
            return console.take(int(FrameSize));
        };

        QCOMPARE(ask(Command::Probe).toHex(' '), toBytes(knownframes::Handshake).toHex(' '));
        QCOMPARE(ask(Command::RequestReading).toHex(' '),
                 toBytes(knownframes::ReadingOhms).toHex(' '));
        const QByteArray count = ask(Command::RequestRecordCount);
        QCOMPARE(
            count.toHex(' '),
            toBytes(buildFrame(0, 0, quint16(options.recordCount), 0, 0, CountMarker)).toHex(' '));

        const QVector<InstrumentFrame> records = instrument.records();
        QCOMPARE(records.size(), options.recordCount);
        for (int n = 1; n <= records.size(); ++n)
            QCOMPARE(ask(RequestRecord(quint16(n))).toHex(' '), toBytes(records[n - 1]).toHex(' '));

        // Past the last record nothing comes: the next bytes are the answer to the next probe.
        console.send(command(RequestRecord(quint16(records.size() + 1))));
        QCOMPARE(ask(Command::Probe).toHex(' '), toBytes(knownframes::Handshake).toHex(' '));
        QVERIFY(console.received.isEmpty());
    }

    void downloadAfterSetRecordsAndClear()
    {
        PtyInstrument instrument(fastOptions());
        QVERIFY(instrument.open());
        const InstrumentFrame three = buildFrame(0x31, 1, 123, 150, 100, 3);
        instrument.setRecords(
            {buildFrame(0x12, 0, 1, 2, 3, 1), buildFrame(0x12, 0, 4, 5, 6, 2), three});
        Console console;
        QVERIFY(console.open(instrument.slavePath()));

        QCOMPARE(console.ask(Command::RequestRecordCount).toHex(' '),
                 toBytes(buildFrame(0, 0, 3, 0, 0, CountMarker)).toHex(' '));
        QCOMPARE(console.ask(RequestRecord(3)).toHex(' '),
                 toBytes(knownframes::RecordThreeKiloOhms).toHex(' '));

        console.send(command(Command::ClearRecords));
        QCOMPARE(console.ask(Command::RequestRecordCount).toHex(' '),
                 toBytes(buildFrame(0, 0, 0, 0, 0, CountMarker)).toHex(' '));
        QVERIFY(instrument.records().isEmpty());
    }

    void doubledCommands_data()
    {
        QTest::addColumn<bool>("answerDoubled");
        QTest::newRow("answered once") << false;
        QTest::newRow("answered twice") << true;
    }

    void doubledCommands()
    {
        QFETCH(bool, answerDoubled);
        SimOptions options = fastOptions();
        options.answerDoubledCommands = answerDoubled;
        PtyInstrument instrument(options);
        QVERIFY(instrument.open());
        QSignalSpy commands(&instrument, &PtyInstrument::commandReceived);
        Console console;
        QVERIFY(console.open(instrument.slavePath()));

        console.send(command(Command::Probe) + command(Command::Probe));
        QByteArray expected = toBytes(knownframes::Handshake);
        if (answerDoubled)
            expected += expected;
        QCOMPARE(console.take(expected.size()).toHex(' '), expected.toHex(' '));
        QCOMPARE(console.ask(Command::RequestReading).toHex(' '),
                 toBytes(knownframes::ReadingOhms).toHex(' '));

        // Both copies are heard either way.
        const QList<quint16> heard = {Command::Probe, Command::Probe, Command::RequestReading};
        QCOMPARE(instrument.receivedCommands(), heard);
        QCOMPARE(commands.count(), 3);
        instrument.clearReceived();
        QVERIFY(instrument.receivedCommands().isEmpty());
    }

    // Time on the line is a lower bound the simulator guarantees: a reply cannot be complete
    // before its bytes, and with paced commands those of the command, have crossed.
    void pacedCommandsAreAnsweredAfterTheirLastByte_data()
    {
        QTest::addColumn<bool>("pacedCommands");
        QTest::addColumn<bool>("doubled");
        QTest::addColumn<int>("minByteTimes");
        QTest::newRow("replies paced") << false << false << 11;
        QTest::newRow("commands paced too") << true << false << 4 + 11;
        // Both copies answered: the second reply queues behind the first.
        QTest::newRow("doubled, both answered") << true << true << 4 + 22;
    }

    void pacedCommandsAreAnsweredAfterTheirLastByte()
    {
        QFETCH(bool, pacedCommands);
        QFETCH(bool, doubled);
        QFETCH(int, minByteTimes);
        SimOptions options = fastOptions();
        options.paced = true;
        options.pacedCommands = pacedCommands;
        options.answerDoubledCommands = doubled;
        PtyInstrument instrument(options);
        QVERIFY(instrument.open());
        Console console;
        QVERIFY(console.open(instrument.slavePath()));

        QByteArray request = command(Command::Probe);
        QByteArray expected = toBytes(knownframes::Handshake);
        if (doubled) {
            request += request;
            expected += expected;
        }
        QElapsedTimer clock;
        clock.start();
        console.send(request);
        QCOMPARE(console.take(expected.size()).toHex(' '), expected.toHex(' '));
        QVERIFY2(clock.nsecsElapsed() >= sim::byteDoneNs(0, minByteTimes),
                 qPrintable(QStringLiteral("%1 us").arg(clock.nsecsElapsed() / 1000)));
    }

    void actionsAreHeardAndChangeState()
    {
        PtyInstrument instrument(fastOptions());
        QVERIFY(instrument.open());
        QSignalSpy log(&instrument, &PtyInstrument::logMessage);
        Console console;
        QVERIFY(console.open(instrument.slavePath()));

        console.send(command(Command::BacklightOn) + command(Command::BuzzerOn) +
                     command(Command::LineResistanceCheck));
        // Actions have no answer: the next bytes answer the probe.
        QCOMPARE(console.ask(Command::Probe), toBytes(knownframes::Handshake));
        QVERIFY(instrument.backlightOn());
        QVERIFY(instrument.buzzerOn());
        QCOMPARE(instrument.leadChecks(), 1);
        QStringList lines;
        for (const QList<QVariant> &args : log)
            lines << args.at(0).toString();
        QVERIFY2(lines.contains(QStringLiteral("BacklightOn: backlight on")),
                 qPrintable(lines.join('\n')));
    }

    void singleTestGivesANewReadingLater()
    {
        SimOptions options = fastOptions();
        options.testTimeMs = 150;
        PtyInstrument instrument(options);
        QVERIFY(instrument.open());
        Console console;
        QVERIFY(console.open(instrument.slavePath()));

        const QByteArray before = console.ask(Command::RequestReading);
        console.send(command(Command::SingleTest));
        QVERIFY(QTest::qWaitFor([&] { return instrument.testRunning(); }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return !instrument.testRunning(); }, 10000));
        const QByteArray after = console.ask(Command::RequestReading);
        QVERIFY(after != before);
        QVERIFY(checkFrame(reinterpret_cast<const std::uint8_t *>(after.constData())));
        QCOMPARE(toBytes(instrument.readingFrame()), after);
    }

    void setReadingChangesTheAnswer()
    {
        PtyInstrument instrument(fastOptions());
        QVERIFY(instrument.open());
        Console console;
        QVERIFY(console.open(instrument.slavePath()));
        instrument.setReading(1, 1, OverRangeRaw, OverRangeRaw, OverRangeRaw);
        QCOMPARE(console.ask(Command::RequestReading).toHex(' '),
                 toBytes(knownframes::ReadingOverRange).toHex(' '));
    }

    void silentInstrumentHearsButDoesNotAnswer()
    {
        PtyInstrument instrument(fastOptions());
        QVERIFY(instrument.open());
        Console console;
        QVERIFY(console.open(instrument.slavePath()));
        instrument.setSilent(true);
        console.send(command(Command::Probe) + command(Command::BacklightOn));
        QVERIFY(QTest::qWaitFor([&] { return instrument.receivedCommands().size() == 2; }, 10000));
        QVERIFY(instrument.backlightOn());
        instrument.setSilent(false);
        QCOMPARE(console.ask(Command::RequestReading), toBytes(knownframes::ReadingOhms));
        QVERIFY(console.received.isEmpty());
    }

    void lineFaultsReachTheConsole_data()
    {
        QTest::addColumn<double>("drop");
        QTest::addColumn<double>("corrupt");
        QTest::newRow("every byte dropped") << 1.0 << 0.0;
        QTest::newRow("every byte corrupted") << 0.0 << 1.0;
    }

    void lineFaultsReachTheConsole()
    {
        QFETCH(double, drop);
        QFETCH(double, corrupt);
        SimOptions options = fastOptions();
        options.dropProbability = drop;
        options.corruptProbability = corrupt;
        PtyInstrument instrument(options);
        QVERIFY(instrument.open());
        Console console;
        QVERIFY(console.open(instrument.slavePath()));
        console.send(command(Command::Probe));
        if (drop > 0) {
            // Let the line work; then a clean probe shows nothing came before it.
            QTest::qWait(200);
            instrument.options().dropProbability = 0;
            QCOMPARE(console.ask(Command::RequestReading), toBytes(knownframes::ReadingOhms));
            return;
        }
        const QByteArray got = console.take(int(FrameSize));
        QCOMPARE(got.size(), int(FrameSize));
        for (int i = 0; i < got.size(); ++i)
            QVERIFY(got[i] != char(0xAA) || i == 10);
    }

    void unplugMakesThePortReportAnError_data()
    {
        QTest::addColumn<bool>("byTimer");
        QTest::newRow("unplug()") << false;
        QTest::newRow("unplugAfterMs") << true;
    }

    void unplugMakesThePortReportAnError()
    {
        QFETCH(bool, byTimer);
        SimOptions options = fastOptions();
        if (byTimer)
            options.unplugAfterMs = 300;
        PtyInstrument instrument(options);
        QSignalSpy unplugged(&instrument, &PtyInstrument::unplugged);
        QVERIFY(instrument.open());
        const QString path = instrument.slavePath();
        Console console;
        QVERIFY(console.open(path));
        QCOMPARE(console.ask(Command::Probe), toBytes(knownframes::Handshake));

        QList<QSerialPort::SerialPortError> errors;
        QObject::connect(&console.port, &QSerialPort::errorOccurred,
                         [&](QSerialPort::SerialPortError e) {
                             if (e != QSerialPort::NoError) {
                                 errors << e;
                                 console.port.close(); // as a console tears the link down
                             }
                         });
        if (!byTimer)
            instrument.unplug();
        QVERIFY(QTest::qWaitFor([&] { return !errors.isEmpty(); }, 10000));
        QVERIFY2(errors.first() == QSerialPort::ReadError ||
                     errors.first() == QSerialPort::ResourceError,
                 qPrintable(QString::number(errors.first())));
        QCOMPARE(unplugged.count(), 1);
        QVERIFY(!instrument.isOpen());
        QVERIFY(instrument.slavePath().isEmpty());

        // Plugging in again gives a working instrument on a new device.
        QVERIFY(instrument.open());
        Console again;
        QVERIFY(again.open(instrument.slavePath()));
        QCOMPARE(again.ask(Command::Probe), toBytes(knownframes::Handshake));
    }

    // A real port drops what arrives while it is closed; the next session must not start with
    // a stale answer from the last one.
    void reopenedPortStartsClean_data()
    {
        QTest::addColumn<bool>("paced");
        QTest::newRow("reply left unread at close") << false;
        QTest::newRow("reply sent after close") << true;
    }

    void reopenedPortStartsClean()
    {
#ifndef Q_OS_LINUX
        QSKIP("client open and close are only seen on Linux");
#endif
        QFETCH(bool, paced);
        SimOptions options = fastOptions();
        options.paced = paced;
        PtyInstrument instrument(options);
        QVERIFY(instrument.open());
        int sentBytes = 0;
        connect(&instrument, &PtyInstrument::bytesSent,
                [&](const QByteArray &bytes) { sentBytes += int(bytes.size()); });
        bool closeSeen = false;
        connect(&instrument, &PtyInstrument::logMessage, [&](const QString &line) {
            closeSeen = closeSeen || line == QStringLiteral("a client closed the port");
        });
        {
            QSerialPort port(instrument.slavePath());
            QVERIFY(port.open(QIODevice::ReadWrite));
            port.write(command(Command::Probe));
            QVERIFY(port.waitForBytesWritten(10000));
            if (!paced)
                QVERIFY(QTest::qWaitFor([&] { return sentBytes == int(FrameSize); }, 10000));
        }
        // Another process would take a moment to reopen; the instrument notices the close.
        QVERIFY(QTest::qWaitFor([&] { return closeSeen; }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return sentBytes == int(FrameSize); }, 10000));

        Console console;
        QVERIFY(console.open(instrument.slavePath()));
        QCOMPARE(console.ask(Command::RequestReading).toHex(' '),
                 toBytes(knownframes::ReadingOhms).toHex(' '));
        QTest::qWait(50);
        QVERIFY(console.received.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPtyInstrument)
#include "test_ptyinstrument.moc"
