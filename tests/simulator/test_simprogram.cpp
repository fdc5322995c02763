// telvoro-sim as a program, driven the way a foreign client would: plain POSIX I/O on the
// device path it prints.

#include "knownframes.h"
#include "protocol.h"
#include "ptyinstrument.h"
#include "ptyorskip.h"
#include "recordgenerator.h"
#include "simcommandline.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

using namespace protocol;

namespace
{

#ifdef Q_OS_UNIX
QByteArray toBytes(const InstrumentFrame &f)
{
    return QByteArray(reinterpret_cast<const char *>(f.data()), qsizetype(f.size()));
}

// A client that knows nothing of Qt's serial classes.
class PosixClient
{
public:
    explicit PosixClient(const QString &path)
        : fd_(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY))
    {
    }
    ~PosixClient()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    PosixClient(const PosixClient &) = delete;
    PosixClient &operator=(const PosixClient &) = delete;

    bool isOpen() const { return fd_ >= 0; }

    bool send(CommandCode code)
    {
        const CommandFrame frame = buildCommand(code);
        return ::write(fd_, frame.data(), frame.size()) == ssize_t(frame.size());
    }

    // Reads until `size` bytes came or `timeoutMs` passed without them.
    QByteArray read(int size, int timeoutMs = 10000)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < size && clock.elapsed() < timeoutMs) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buffer[64];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                break; // hung up
            got.append(buffer, int(n));
        }
        return got;
    }

    QByteArray ask(CommandCode code) { return send(code) ? read(int(FrameSize)) : QByteArray(); }

private:
    int fd_;
};
#endif

class Simulator
{
public:
    explicit Simulator(const QStringList &arguments)
    {
        process.setProgram(QStringLiteral(TELVORO_SIM_PATH));
        process.setArguments(arguments);
        process.start();
    }
    ~Simulator()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }

    // The device path: the first line on standard output.
    QString path()
    {
        QElapsedTimer clock;
        clock.start();
        while (!process.canReadLine() && clock.elapsed() < 10000)
            process.waitForReadyRead(100);
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }

    QProcess process;
};

} // namespace

class TestSimProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { OPEN_PTY_OR_SKIP(PtyInstrument().open()); }

    void foreignClientGetsByteExactAnswers()
    {
#ifdef Q_OS_UNIX
        Simulator sim({"--no-pacing", "--test-time", "0", "--kind", "3", "--decimals", "1",
                       "--values", "123,150,100", "--battery", "1", "--records", "4", "--seed",
                       "7"});
        const QString path = sim.path();
        QVERIFY2(path.startsWith(QLatin1String("/dev/")), qPrintable(path));
        PosixClient client(path);
        QVERIFY(client.isOpen());

        QCOMPARE(client.ask(Command::Probe).toHex(' '),
                 QByteArray("aa aa aa aa aa aa aa aa aa aa a4"));
        QCOMPARE(client.ask(Command::RequestReading).toHex(' '),
                 QByteArray("31 01 00 7b 00 96 00 64 c0 00 67"));
        QCOMPARE(client.ask(Command::RequestRecordCount).toHex(' '),
                 QByteArray("00 00 00 04 00 00 00 00 e0 00 e4"));
        for (quint16 n = 1; n <= 4; ++n)
            QCOMPARE(client.ask(RequestRecord(n)).toHex(' '),
                     toBytes(sim::generateRecord(7, n)).toHex(' '));

        // Commands without an answer: the next bytes to come answer the probe.
        for (const CommandCode code :
             {RequestRecord(5), Command::BacklightOn, Command::BacklightOff, Command::BuzzerOn,
              Command::BuzzerOff, Command::LineResistanceCheck, Command::SingleTest})
            QVERIFY(client.send(code));
        QCOMPARE(client.ask(Command::Probe).toHex(' '),
                 QByteArray("aa aa aa aa aa aa aa aa aa aa a4"));

        QVERIFY(client.send(Command::ClearRecords));
        QCOMPARE(client.ask(Command::RequestRecordCount).toHex(' '),
                 QByteArray("00 00 00 00 00 00 00 00 e0 00 e0"));
        QVERIFY(client.read(1, 200).isEmpty());

        sim.process.terminate();
        QVERIFY(sim.process.waitForFinished(10000));
        QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process.exitCode(), 0);
        const QString log = QString::fromLocal8Bit(sim.process.readAllStandardError());
        for (const char *line : {"<- 64 65 FB A6", "Probe: handshake reply",
                                 "-> AA AA AA AA AA AA AA AA AA AA A4", "BacklightOn: backlight on",
                                 "RequestRecord 5: no record 5", "ClearRecords: records cleared"})
            QVERIFY2(log.contains(QLatin1String(line)), line);
#endif
    }

    void pacedAnswerIsWhole()
    {
#ifdef Q_OS_UNIX
        Simulator sim({});
        PosixClient client(sim.path());
        QVERIFY(client.isOpen());
        QCOMPARE(client.ask(Command::RequestReading).toHex(' '),
                 toBytes(knownframes::ReadingOhms).toHex(' '));
#endif
    }

    void linkPointsToTheDeviceWhileRunning()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath(QStringLiteral("instrument"));
        Simulator sim({"--no-pacing", "--link", link});
        const QString path = sim.path();
        QVERIFY(!path.isEmpty());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFileInfo(link).symLinkTarget(), path);
        {
            PosixClient client(link);
            QCOMPARE(client.ask(Command::Probe), toBytes(HandshakeReply));
        }
        sim.process.terminate();
        QVERIFY(sim.process.waitForFinished(10000));
        QCOMPARE(sim.process.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
#endif
    }

    void unplugAfterHangsUpAndExits()
    {
#ifdef Q_OS_UNIX
        Simulator sim({"--no-pacing", "--unplug-after", "0.3"});
        PosixClient client(sim.path());
        QVERIFY(client.isOpen());
        QCOMPARE(client.ask(Command::Probe), toBytes(HandshakeReply));
        QVERIFY(sim.process.waitForFinished(10000));
        QCOMPARE(sim.process.exitCode(), 0);
        QVERIFY(client.read(1, 2000).isEmpty());
        QVERIFY(!client.send(Command::Probe) || client.read(1, 500).isEmpty());
#endif
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("expected"); // field=value; empty: the line is refused

        QTest::newRow("defaults") << QStringList{}
                                  << QStringList{
                                         "kind=1",    "decimals=2",      "values=1234,1300,1200",
                                         "battery=0", "records=5",       "seed=1",
                                         "paced=1",   "pacedCommands=0", "testTime=3000",
                                         "doubled=0", "noise=0",         "chunk=0",
                                         "drop=0",    "corrupt=0",       "silent=0",
                                         "unplug=-1"};
        QTest::newRow("reading") << QStringList{"--kind",    "5",        "--decimals",
                                                "1",         "--values", "10000,10000,5",
                                                "--battery", "255"}
                                 << QStringList{"kind=5", "decimals=1", "values=10000,10000,5",
                                                "battery=255"};
        QTest::newRow("faults") << QStringList{"--noise",    "3",
                                               "--chunk",    "2",
                                               "--drop",     "0.1",
                                               "--corrupt",  "0.25",
                                               "--silent",   "--answer-doubled",
                                               "--no-pacing"}
                                << QStringList{"noise=3",  "chunk=2",   "drop=0.1", "corrupt=0.25",
                                               "silent=1", "doubled=1", "paced=0"};
        QTest::newRow("timing") << QStringList{"--unplug-after", "1.5", "--test-time", "8500",
                                               "--paced-commands"}
                                << QStringList{"unplug=1500", "testTime=8500", "pacedCommands=1"};
        QTest::newRow("records and seed")
            << QStringList{"--records", "59999", "--seed", "18446744073709551615"}
            << QStringList{"records=59999", "seed=18446744073709551615"};
        QTest::newRow("two values") << QStringList{"--values", "1,2"} << QStringList{};
        QTest::newRow("value too big") << QStringList{"--values", "1,2,65536"} << QStringList{};
        QTest::newRow("kind 16") << QStringList{"--kind", "16"} << QStringList{};
        QTest::newRow("records collide with commands")
            << QStringList{"--records", "60000"} << QStringList{};
        QTest::newRow("probability above 1") << QStringList{"--drop", "1.5"} << QStringList{};
        QTest::newRow("not a number") << QStringList{"--test-time", "soon"} << QStringList{};
        QTest::newRow("negative unplug") << QStringList{"--unplug-after", "-1"} << QStringList{};
        QTest::newRow("unknown option") << QStringList{"--baud", "9600"} << QStringList{};
        QTest::newRow("stray argument") << QStringList{"/dev/ttyS0"} << QStringList{};
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, expected);
        SimCommandLine commandLine;
        const bool parsed = commandLine.parse(QStringList{"telvoro-sim"} + arguments);
        QCOMPARE(parsed, !expected.isEmpty());
        if (!parsed) {
            QVERIFY(!commandLine.errorText().isEmpty());
            return;
        }
        const SimOptions &o = commandLine.options();
        const QMap<QString, QString> fields = {
            {"kind", QString::number(o.kind)},
            {"decimals", QString::number(o.decimals)},
            {"values", QStringLiteral("%1,%2,%3").arg(o.valueA).arg(o.valueB).arg(o.valueC)},
            {"battery", QString::number(o.battery)},
            {"records", QString::number(o.recordCount)},
            {"seed", QString::number(o.seed)},
            {"paced", QString::number(o.paced)},
            {"pacedCommands", QString::number(o.pacedCommands)},
            {"testTime", QString::number(o.testTimeMs)},
            {"doubled", QString::number(o.answerDoubledCommands)},
            {"noise", QString::number(o.noiseBytes)},
            {"chunk", QString::number(o.maxChunk)},
            {"drop", QString::number(o.dropProbability)},
            {"corrupt", QString::number(o.corruptProbability)},
            {"silent", QString::number(o.silent)},
            {"unplug", QString::number(o.unplugAfterMs)},
        };
        for (const QString &item : expected) {
            const QString field = item.section(QLatin1Char('='), 0, 0);
            QVERIFY2(fields.contains(field), qPrintable(field));
            QCOMPARE(field + '=' + fields.value(field), item);
        }
    }

    void badOptionExitsWithAMessage()
    {
        Simulator sim({"--records", "many"});
        QVERIFY(sim.process.waitForFinished(10000));
        QCOMPARE(sim.process.exitCode(), 2);
        QVERIFY(sim.process.readAllStandardOutput().isEmpty());
        QVERIFY(sim.process.readAllStandardError().contains("--records"));
    }
};

QTEST_GUILESS_MAIN(TestSimProgram)
#include "test_simprogram.moc"
