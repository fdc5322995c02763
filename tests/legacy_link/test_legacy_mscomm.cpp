// The serial layer over pseudo-terminals: port numbers, settings, fixed-length reads with the
// receive notification, output, and a device that vanishes while open.
#include "linkfixture.h"
#include "mscomm.h"
#include "ptyorskip.h"
#include "simplatform.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

Q_DECLARE_METATYPE(MSComm::Error)

namespace
{

// A pseudo-terminal whose slave is port 1; every other number has no port behind it.
struct PtyPort {
    simplatform::PtyPair pty;
    bool open()
    {
        QString error;
        if (!pty.open(error))
            return false;
        const QString path = pty.slavePath();
        MSComm::setPortResolver([path](int n) { return n == 1 ? path : QString(); });
        return true;
    }
    QByteArray readAll()
    {
        QByteArray all;
        char buffer[256];
        qint64 n = 0;
        while ((n = pty.read(buffer, sizeof buffer)) > 0)
            all.append(buffer, int(n));
        return all;
    }
    ~PtyPort() { MSComm::setPortResolver({}); }
};

// False when the console's line settings are refused; the caller's QVERIFY fails the test.
[[nodiscard]] bool configureLikeTheConsole(MSComm &comm)
{
    const bool settled = comm.setSettings(QStringLiteral("4800,n,8,1")) == MSComm::NoError;
    comm.setRThreshold(11);
    comm.setInputLen(11);
    comm.setInputMode(MSComm::InputModeBinary);
    return settled;
}

} // namespace

class TestLegacyMSComm : public QObject
{
    Q_OBJECT

private slots:
    void settings_data();
    void settings();
    void portNumbersMapToTheCatalogue();
    void missingPortsAreInvalidNumbers();
    void openCloseRules();
    void readsOneFramePerNotificationInOrder();
    void handlerThatReadsNothingIsNotNotifiedAgain();
    void outputsOnlyWhileOpen();
    void closeLetsQueuedOutputOut();
    void vanishedDeviceIsClosed();
};

void TestLegacyMSComm::settings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<MSComm::Error>("error");
    QTest::newRow("console line") << "4800,n,8,1" << MSComm::NoError;
    QTest::newRow("upper case, even, 7, 2") << "9600,E,7,2" << MSComm::NoError;
    QTest::newRow("one and a half stop bits") << "4800,n,8,1.5" << MSComm::NoError;
    QTest::newRow("bad parity") << "4800,x,8,1" << MSComm::InvalidPropertyValue;
    QTest::newRow("bad data bits") << "4800,n,9,1" << MSComm::InvalidPropertyValue;
    QTest::newRow("bad stop bits") << "4800,n,8,3" << MSComm::InvalidPropertyValue;
    QTest::newRow("bad baud") << "fast,n,8,1" << MSComm::InvalidPropertyValue;
    QTest::newRow("too few parts") << "4800,n,8" << MSComm::InvalidPropertyValue;
}

void TestLegacyMSComm::settings()
{
    QFETCH(QString, text);
    QFETCH(MSComm::Error, error);
    MSComm comm;
    const QString before = comm.settings();
    QCOMPARE(comm.setSettings(text), error);
    QCOMPARE(comm.settings(), error == MSComm::NoError ? text : before);
}

void TestLegacyMSComm::portNumbersMapToTheCatalogue()
{
    const QList<PortEntry> ports{{"a", "/dev/a", {}}, {"b", "/dev/b", {}}};
    QCOMPARE(MSComm::catalogueDevice(ports, 1), QStringLiteral("/dev/a"));
    QCOMPARE(MSComm::catalogueDevice(ports, 2), QStringLiteral("/dev/b"));
    QVERIFY(MSComm::catalogueDevice(ports, 3).isEmpty());
    QVERIFY(MSComm::catalogueDevice(ports, 0).isEmpty());
#ifndef Q_OS_WIN
    // The extra ports come first, so a simulator named there is COM1.
    qputenv("TELVORO_EXTRA_PORTS", "/tmp/sim-one:/tmp/sim-two");
    QCOMPARE(MSComm::deviceFor(1), QStringLiteral("/tmp/sim-one"));
    QCOMPARE(MSComm::deviceFor(2), QStringLiteral("/tmp/sim-two"));
    qunsetenv("TELVORO_EXTRA_PORTS");
#else
    QCOMPARE(MSComm::deviceFor(7), QStringLiteral("COM7"));
#endif
}

void TestLegacyMSComm::missingPortsAreInvalidNumbers()
{
    MSComm::setPortResolver(
        [](int n) { return n == 2 ? QStringLiteral("/dev/telvoro-no-such-device") : QString(); });
    MSComm comm;
    comm.setCommPort(1);
    QCOMPARE(comm.setPortOpen(true), MSComm::InvalidPortNumber);
    comm.setCommPort(2);
    QCOMPARE(comm.setPortOpen(true), MSComm::InvalidPortNumber);
    QVERIFY(!comm.portOpen());
    QCOMPARE(comm.setCommPort(0), MSComm::InvalidPortNumber);
    QCOMPARE(comm.commPort(), 2);
    MSComm::setPortResolver({});
}

void TestLegacyMSComm::openCloseRules()
{
    PtyPort port;
    OPEN_PTY_OR_SKIP(port.open());
    MSComm comm;
    QCOMPARE(comm.setPortOpen(true), MSComm::NoError);
    QVERIFY(comm.portOpen());
    QCOMPARE(comm.setPortOpen(true), MSComm::PortAlreadyOpen);
    QCOMPARE(comm.setCommPort(2), MSComm::PortOpenError);
    // Held by someone else: a failure, but not an invalid port number.
    MSComm other;
    QCOMPARE(other.setPortOpen(true), MSComm::PortAlreadyOpen);
    QVERIFY(!other.portOpen());
    QCOMPARE(comm.setPortOpen(false), MSComm::NoError);
    QVERIFY(!comm.portOpen());
    QCOMPARE(comm.setPortOpen(false), MSComm::NoError);

    // Closing drops what was waiting.
    QVERIFY(configureLikeTheConsole(comm));
    comm.setRThreshold(0);
    QCOMPARE(comm.setPortOpen(true), MSComm::NoError);
    port.pty.write("abc", 3);
    QVERIFY(QTest::qWaitFor([&] { return comm.inBufferCount() == 3; }, 10000));
    comm.setPortOpen(false);
    QCOMPARE(comm.inBufferCount(), 0);
}

void TestLegacyMSComm::readsOneFramePerNotificationInOrder()
{
    PtyPort port;
    OPEN_PTY_OR_SKIP(port.open());
    MSComm comm;
    QVERIFY(configureLikeTheConsole(comm));
    QCOMPARE(comm.setPortOpen(true), MSComm::NoError);
    QList<QByteArray> reads;
    connect(&comm, &MSComm::onComm, &comm, [&] {
        QCOMPARE(comm.commEvent(), MSComm::ComEvReceive);
        reads.append(comm.input().toByteArray());
    });

    // Three frames and five bytes of a fourth in one burst: three reads, in order.
    const QByteArray burst = countFrame(1) + countFrame(2) + countFrame(3) + countFrame(4);
    port.pty.write(burst.constData(), 38);
    QVERIFY(QTest::qWaitFor([&] { return reads.size() == 3; }, 10000));
    QTest::qWait(100);
    QCOMPARE(reads, (QList<QByteArray>{countFrame(1), countFrame(2), countFrame(3)}));
    QCOMPARE(comm.inBufferCount(), 5);

    // The rest of the fourth completes it.
    port.pty.write(burst.constData() + 38, 6);
    QVERIFY(QTest::qWaitFor([&] { return reads.size() == 4; }, 10000));
    QCOMPARE(reads.last(), countFrame(4));
    QCOMPARE(comm.inBufferCount(), 0);
}

void TestLegacyMSComm::handlerThatReadsNothingIsNotNotifiedAgain()
{
    PtyPort port;
    OPEN_PTY_OR_SKIP(port.open());
    MSComm comm;
    QVERIFY(configureLikeTheConsole(comm));
    QCOMPARE(comm.setPortOpen(true), MSComm::NoError);
    QSignalSpy notified(&comm, &MSComm::onComm);
    const QByteArray frame = countFrame(1);
    port.pty.write(frame.constData(), frame.size());
    QVERIFY(QTest::qWaitFor([&] { return notified.size() >= 1; }, 10000));
    QTest::qWait(200);
    QCOMPARE(notified.size(), 1);
    QCOMPARE(comm.inBufferCount(), 11);

    // Text mode hands out the same bytes as Latin-1 text.
    comm.setInputMode(MSComm::InputModeText);
    QCOMPARE(comm.input().toString(), QString::fromLatin1(frame));
}

void TestLegacyMSComm::outputsOnlyWhileOpen()
{
    PtyPort port;
    OPEN_PTY_OR_SKIP(port.open());
    MSComm comm;
    QVERIFY(configureLikeTheConsole(comm));
    const QByteArray command = QByteArray::fromHex("6465FBA66465FBA6");
    QCOMPARE(comm.output(command), MSComm::PortNotOpen);
    QCOMPARE(comm.setPortOpen(true), MSComm::NoError);
    QCOMPARE(comm.output(command), MSComm::NoError);
    QByteArray received;
    QVERIFY(QTest::qWaitFor(
        [&] {
            received += port.readAll();
            return received.size() >= command.size();
        },
        10000));
    QCOMPARE(received, command);
}

// A line that cannot take the command yet (the adapter's buffer is full) and a close right
// after writing, as a reopen does: the close waits until the command is out.
void TestLegacyMSComm::closeLetsQueuedOutputOut()
{
#ifdef Q_OS_UNIX
    PtyPort port;
    OPEN_PTY_OR_SKIP(port.open());
    const int filler =
        ::open(port.pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(filler >= 0);
    // The kernel makes room in steps; fill until a pause finds none.
    const auto fill = [filler] {
        qint64 added = 0;
        for (const size_t piece : {size_t(512), size_t(1)}) {
            const QByteArray block(int(piece), 'x');
            for (qint64 n = 0; (n = ::write(filler, block.constData(), piece)) > 0;)
                added += n;
        }
        return added;
    };
    qint64 filled = fill();
    for (qint64 more = 1; more > 0; filled += more) {
        QThread::msleep(20);
        more = fill();
    }
    ::close(filler);

    MSComm comm;
    QVERIFY(configureLikeTheConsole(comm));
    QCOMPARE(comm.setPortOpen(true), MSComm::NoError);
    const QByteArray command = QByteArray::fromHex("6465EEB76465EEB7");
    QCOMPARE(comm.output(command), MSComm::NoError);
    // Reading the line makes room again; the kernel hands bytes over in steps, so read until
    // a few pauses bring nothing more.
    QByteArray line;
    for (int quiet = 0; quiet < 3; QThread::msleep(20)) {
        const QByteArray got = port.readAll();
        line += got;
        quiet = got.isEmpty() ? quiet + 1 : 0;
    }
    QCOMPARE(comm.setPortOpen(false), MSComm::NoError);
    QVERIFY(QTest::qWaitFor(
        [&] {
            line += port.readAll();
            return line.size() >= filled + command.size();
        },
        10000));
    QCOMPARE(line.size(), filled + command.size());
    QVERIFY(line.endsWith(command));
#else
    QSKIP("needs pseudo-terminals");
#endif
}

void TestLegacyMSComm::vanishedDeviceIsClosed()
{
    PtyPort port;
    OPEN_PTY_OR_SKIP(port.open());
    MSComm comm;
    QVERIFY(configureLikeTheConsole(comm));
    QCOMPARE(comm.setPortOpen(true), MSComm::NoError);
    QSignalSpy notified(&comm, &MSComm::onComm);
    port.pty.close();
    QVERIFY(QTest::qWaitFor([&] { return !comm.portOpen(); }, 10000));
    QTest::qWait(100);
    QCOMPARE(notified.size(), 0);
    QCOMPARE(comm.output(QByteArray("x")), MSComm::PortNotOpen);
}

QTEST_GUILESS_MAIN(TestLegacyMSComm)
#include "test_legacy_mscomm.moc"
