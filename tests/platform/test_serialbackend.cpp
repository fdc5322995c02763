// QSerialPort's Windows backend against the instrument simulator on a real COM port (under Wine
// in CI: a COM port mapped to the simulator's pseudo-terminal). The port is named by
// TELVORO_TEST_PORT (COM5, say). Each test function needs the simulator started with its own
// options, listed in `simulatorCases`; `test_serialbackend --simulator-cases FILE` writes that
// list for the driver (scripts/test-windows.sh), which runs one function per simulator. The
// driver starts the simulator once the function runs (initTestCase has passed), and every
// function waits for the port to appear, so --unplug-after counts from the test, not from a
// slow start of the program.

#include "linkrules.h"
#include "protocol.h"

#include <QFile>
#include <QLibrary>
#include <QMetaMethod>
#include <QSerialPort>
#include <QtTest>

#include <algorithm>

namespace
{

struct SimulatorCase {
    const char *function;
    const char *options; ///< telvoro-sim's command line
};

const SimulatorCase simulatorCases[] = {
    {"bytesBothWays", "--seed 7"},
    {"partialFrames", "--chunk 3 --noise 5 --seed 7"}, // pieces of 1..3 bytes, garbage first
    {"waitFunctions", "--seed 7"},
    {"manyExchanges", "--records 50 --seed 7"},
    {"closeAndReopen", "--seed 7"},
    {"libraryAfterSession", "--seed 7"},
    {"clearedInput", "--seed 7"},
    {"pulledCable", "--unplug-after 3 --seed 7"}, // closes the pseudo-terminal after 3 s
};

const QList<QSerialPort::SerialPortError> noErrors;

// Generous: under Wine on a loaded machine a reply can take far longer than its 23 ms.
constexpr int ReplyTimeoutMs = 10000;
constexpr int PortTimeoutMs = 60000;   ///< for the simulator to appear
constexpr int UnplugTimeoutMs = 30000; ///< far beyond the simulator's --unplug-after 3

QByteArray bytesOf(const protocol::CommandFrame &command)
{
    return QByteArray(reinterpret_cast<const char *>(command.data()), int(command.size()));
}

QByteArray bytesOf(const protocol::InstrumentFrame &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), int(frame.size()));
}

const std::uint8_t *frameBytes(const QByteArray &bytes)
{
    return reinterpret_cast<const std::uint8_t *>(bytes.constData());
}

// Opens the port once the simulator has created it.
bool openWhenThere(QSerialPort &port)
{
    return QTest::qWaitFor([&] { return port.open(QIODevice::ReadWrite); }, PortTimeoutMs);
}

// The reading of a simulator with its default measurement.
QByteArray defaultReading()
{
    return bytesOf(protocol::buildFrame(0x12, 0, 1234, 1300, 1200, protocol::ReadingMarker));
}

/// One open port to the simulator that collects what arrives through readyRead.
class Line : public QObject
{
public:
    Line()
    {
        port.setPortName(qEnvironmentVariable("TELVORO_TEST_PORT"));
        port.setBaudRate(QSerialPort::Baud4800);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        port.setFlowControl(QSerialPort::NoFlowControl);
        connect(&port, &QSerialPort::readyRead, this, [this] {
            const QByteArray bytes = port.readAll();
            received += bytes;
            deliveries.append(bytes.size());
            if (closeOnceReceived > 0 && received.size() >= closeOnceReceived)
                port.close();
        });
        connect(&port, &QSerialPort::bytesWritten, this, [this](qint64 n) { written += n; });
        connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (e != QSerialPort::NoError)
                errors.append(e);
        });
    }

    bool open()
    {
        const bool opened = openWhenThere(port);
        errors.clear(); // those of the attempts before the simulator was there
        return opened;
    }

    /// Sends a command and waits until `replySize` bytes have come back since.
    bool exchange(protocol::CommandCode code, int replySize = int(protocol::FrameSize))
    {
        received.clear();
        deliveries.clear();
        port.write(bytesOf(protocol::buildCommand(code)));
        return QTest::qWaitFor([&] { return received.size() >= replySize; }, ReplyTimeoutMs);
    }

    QSerialPort port;
    QByteArray received;
    QList<qint64> deliveries; ///< bytes per readyRead since the last exchange
    qint64 written = 0;
    QList<QSerialPort::SerialPortError> errors;
    int closeOnceReceived = 0; ///< close the port from readyRead once this many bytes are in
};

// Reads until `size` bytes are in or waitForReadyRead gives up, without the event loop.
QByteArray readBlocking(QSerialPort &port, int size)
{
    QByteArray bytes;
    while (bytes.size() < size && port.waitForReadyRead(ReplyTimeoutMs))
        bytes += port.readAll();
    return bytes;
}

bool writeSimulatorCases(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (const SimulatorCase &c : simulatorCases)
        file.write(QByteArray(c.function) + ' ' + c.options + '\n');
    return file.flush();
}

} // namespace

class TestSerialBackend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("TELVORO_TEST_PORT"),
                 "TELVORO_TEST_PORT names the COM port of the simulator");
        // A function without a simulator of its own would never be run by the driver.
        const QMetaObject *meta = metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QByteArray name = meta->method(i).name();
            if (name == "initTestCase" || name.endsWith("_data"))
                continue;
            const bool listed =
                std::any_of(std::begin(simulatorCases), std::end(simulatorCases),
                            [&](const SimulatorCase &c) { return name == c.function; });
            QVERIFY2(listed, name + " has no simulator options in simulatorCases");
        }
    }

    void bytesBothWays_data()
    {
        QTest::addColumn<protocol::CommandCode>("code");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("probe") << protocol::Command::Probe << bytesOf(protocol::HandshakeReply);
        QTest::newRow("reading") << protocol::Command::RequestReading << defaultReading();
        QTest::newRow("record count")
            << protocol::Command::RequestRecordCount
            << bytesOf(protocol::buildFrame(0, 0, 5, 0, 0, protocol::CountMarker));
    }

    void bytesBothWays()
    {
        QFETCH(protocol::CommandCode, code);
        QFETCH(QByteArray, reply);
        Line line;
        QVERIFY2(line.open(), qPrintable(line.port.errorString()));
        QVERIFY(line.exchange(code));
        QCOMPARE(line.received, reply);
        QVERIFY(protocol::checkFrame(frameBytes(line.received)));
        QCOMPARE(line.written, qint64(protocol::CommandSize));
        QCOMPARE(line.errors, noErrors);
    }

    void partialFrames()
    {
        constexpr int noise = 5; // --noise 5: garbage before every reply
        constexpr int exchanges = 10;
        Line line;
        QVERIFY2(line.open(), qPrintable(line.port.errorString()));
        int deliveries = 0;
        qint64 smallest = protocol::FrameSize;
        for (int i = 0; i < exchanges; ++i) {
            const bool probe = i % 2 == 0;
            const QByteArray reply = probe ? bytesOf(protocol::HandshakeReply) : defaultReading();
            QVERIFY(
                line.exchange(probe ? protocol::Command::Probe : protocol::Command::RequestReading,
                              noise + reply.size()));
            // Nothing lost, doubled or reordered: the next exchange would see any extra byte.
            QCOMPARE(line.received.size(), noise + reply.size());
            QCOMPARE(line.received.right(reply.size()), reply);
            deliveries += line.deliveries.size();
            smallest = std::min(smallest,
                                *std::min_element(line.deliveries.begin(), line.deliveries.end()));
        }
        // --chunk 3: the replies came in pieces, each through a readyRead of its own.
        QVERIFY2(deliveries > exchanges, qPrintable(QString::number(deliveries)));
        QVERIFY(smallest < qint64(protocol::FrameSize));
        QCOMPARE(line.errors, noErrors);
    }

    void waitFunctions()
    {
        QSerialPort port; // 8N1 without flow control by default
        port.setPortName(qEnvironmentVariable("TELVORO_TEST_PORT"));
        port.setBaudRate(QSerialPort::Baud4800);
        QVERIFY2(openWhenThere(port), qPrintable(port.errorString()));

        port.write(bytesOf(protocol::buildCommand(protocol::Command::Probe)));
        QVERIFY(port.waitForBytesWritten(ReplyTimeoutMs));
        QCOMPARE(readBlocking(port, int(protocol::FrameSize)), bytesOf(protocol::HandshakeReply));

        // The instrument does not answer the backlight: the wait ends on its time-out.
        port.write(bytesOf(protocol::buildCommand(protocol::Command::BacklightOn)));
        QVERIFY(port.waitForBytesWritten(ReplyTimeoutMs));
        QVERIFY(!port.waitForReadyRead(500));
        QCOMPARE(port.error(), QSerialPort::TimeoutError);
        port.clearError();

        // Written by waitForReadyRead itself, before it waits for the answer.
        port.write(bytesOf(protocol::buildCommand(protocol::Command::RequestReading)));
        QCOMPARE(readBlocking(port, int(protocol::FrameSize)), defaultReading());
        QCOMPARE(port.bytesAvailable(), qint64(0));
    }

    void manyExchanges()
    {
        constexpr int records = 50; // --records 50
        Line line;
        QVERIFY2(line.open(), qPrintable(line.port.errorString()));
        for (int n = 1; n <= records; ++n) {
            QVERIFY2(line.exchange(protocol::RequestRecord(std::uint16_t(n))),
                     qPrintable(QStringLiteral("record %1").arg(n)));
            QCOMPARE(line.received.size(), int(protocol::FrameSize));
            QVERIFY(protocol::checkFrame(frameBytes(line.received)));
            QCOMPARE(protocol::readMarker(frameBytes(line.received)), std::uint16_t(n));
        }
        QVERIFY(line.exchange(protocol::Command::RequestRecordCount));
        QCOMPARE(line.received,
                 bytesOf(protocol::buildFrame(0, 0, records, 0, 0, protocol::CountMarker)));
        QCOMPARE(line.written, qint64((records + 1) * protocol::CommandSize));
        QCOMPARE(line.errors, noErrors);
    }

    void closeAndReopen()
    {
        Line line;
        for (int round = 0; round < 3; ++round) {
            QVERIFY2(line.open(), qPrintable(line.port.errorString()));
            // First round: closed from inside readyRead, as the consoles do on a fault.
            line.closeOnceReceived = round == 0 ? int(protocol::FrameSize) : 0;
            QVERIFY(line.exchange(protocol::Command::Probe));
            QCOMPARE(line.received, bytesOf(protocol::HandshakeReply));
            if (round == 0)
                QVERIFY(!line.port.isOpen());
            else
                line.port.close();
        }
        // Nothing of a closed session is left over for the next one.
        QVERIFY2(line.open(), qPrintable(line.port.errorString()));
        QVERIFY(line.exchange(protocol::Command::RequestReading));
        QCOMPARE(line.received, defaultReading());
        QCOMPARE(line.errors, noErrors);
    }

    void libraryAfterSession()
    {
        Line line;
        QVERIFY2(line.open(), qPrintable(line.port.errorString()));
        for (const protocol::CommandCode code :
             {protocol::Command::Probe, protocol::Command::RequestReading,
              protocol::Command::RequestRecordCount})
            QVERIFY(line.exchange(code));
        line.port.close();
        // As a program does once a session is over (the SQLite plugin of a download). Every
        // MinGW-built DLL has a TLS directory, so loading one walks the loader's list of the
        // process's threads; nothing the port left behind may have broken it.
        QLibrary plugin(QCoreApplication::applicationDirPath() + "/platforms/qminimal.dll");
        QVERIFY2(plugin.load(), qPrintable(plugin.errorString()));
        QVERIFY2(line.open(), qPrintable(line.port.errorString()));
        QVERIFY(line.exchange(protocol::Command::Probe));
        QCOMPARE(line.received, bytesOf(protocol::HandshakeReply));
        QCOMPARE(line.errors, noErrors);
    }

    void clearedInput()
    {
        Line line;
        QVERIFY2(line.open(), qPrintable(line.port.errorString()));
        QVERIFY(line.exchange(protocol::Command::Probe));
        // Between exchanges a read waits for the next byte: clearing the input must neither
        // fail nor end reading.
        QVERIFY2(line.port.clear(QSerialPort::Input), qPrintable(line.port.errorString()));
        QCOMPARE(line.port.bytesAvailable(), qint64(0));
        QVERIFY(line.exchange(protocol::Command::RequestReading));
        QCOMPARE(line.received, defaultReading());
        QCOMPARE(line.errors, noErrors);
    }

    void pulledCable()
    {
        Line line;
        QVERIFY2(line.open(), qPrintable(line.port.errorString()));
        QVERIFY(line.exchange(protocol::Command::Probe));
        QCOMPARE(line.received, bytesOf(protocol::HandshakeReply));
        // Nothing more is written: the pending read alone must notice that the line is gone,
        // once, as the resource error that the consoles take for a lost link.
        QVERIFY(QTest::qWaitFor([&] { return !line.errors.isEmpty(); }, UnplugTimeoutMs));
        const QList<QSerialPort::SerialPortError> expected = {QSerialPort::ResourceError};
        QCOMPARE(line.errors, expected);
        QVERIFY(isLinkFault(line.port.error()));
        line.port.close();
        QVERIFY(!line.port.isOpen());
        QCOMPARE(line.errors, expected);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--simulator-cases") == 0)
        return writeSimulatorCases(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    TestSerialBackend test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_serialbackend.moc"
