// The open rule on a pseudo-terminal. A pty has no modem-control lines: the kernel refuses
// TIOCMGET and TIOCMBIS. So one fixture gives the pty's slave emulated lines (this program's
// ioctl() stands in front of the C library's, as a line with an adapter behind it would answer),
// starting low as Windows leaves them; the other keeps the real pty, to show a refusal is no
// fault. What a pty shows for real: the line settings in force after the open.
#include "portopening.h"

#include <QSignalSpy>
#include <QtTest>

#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace
{

// The emulated lines: the device they belong to, their state, and the line speed in force
// each time the program raised one.
struct ModemLines {
    dev_t device = 0;
    int state = 0;
    QList<speed_t> speedAtRaise;
};
ModemLines lines;

bool emulated(int fd)
{
    struct stat info {
    };
    return lines.device != 0 && ::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) &&
           info.st_rdev == lines.device;
}

} // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept
{
    va_list rest;
    va_start(rest, request);
    void *argument = va_arg(rest, void *);
    va_end(rest);
    using Ioctl = int (*)(int, unsigned long, ...);
    static const auto real = reinterpret_cast<Ioctl>(::dlsym(RTLD_NEXT, "ioctl"));
    if (!emulated(fd) ||
        (request != TIOCMGET && request != TIOCMBIS && request != TIOCMBIC && request != TIOCMSET))
        return real(fd, request, argument);
    int *bits = static_cast<int *>(argument);
    switch (request) {
    case TIOCMGET:
        *bits = lines.state;
        break;
    case TIOCMBIS: {
        termios now{};
        ::tcgetattr(fd, &now);
        lines.speedAtRaise.append(::cfgetospeed(&now));
        lines.state |= *bits;
        break;
    }
    case TIOCMBIC:
        lines.state &= ~*bits;
        break;
    default:
        lines.state = *bits;
        break;
    }
    return 0;
}

namespace
{

class Pty
{
public:
    Pty() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0)
            slave_ = QString::fromLocal8Bit(::ptsname(master_));
    }
    ~Pty()
    {
        if (master_ >= 0)
            ::close(master_);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    QString slave() const { return slave_; }
    int master() const { return master_; }

    dev_t device() const
    {
        struct stat info {
        };
        return ::stat(slave_.toLocal8Bit().constData(), &info) == 0 ? info.st_rdev : 0;
    }

    // The line settings in force on the slave; a pty's two ends share them.
    termios settings() const
    {
        termios now{};
        ::tcgetattr(master_, &now);
        return now;
    }

    // What the slave's side wrote so far.
    QByteArray received()
    {
        char chunk[64];
        ssize_t got = 0;
        while ((got = ::read(master_, chunk, sizeof chunk)) > 0)
            received_.append(chunk, qsizetype(got));
        return received_;
    }

private:
    int master_ = -1;
    QString slave_;
    QByteArray received_;
};

// The pty's slave with emulated modem lines, all low, for as long as it lives.
class EmulatedLines
{
public:
    explicit EmulatedLines(const Pty &pty) { lines = ModemLines{pty.device(), 0, {}}; }
    ~EmulatedLines() { lines = ModemLines{}; }
    EmulatedLines(const EmulatedLines &) = delete;
    EmulatedLines &operator=(const EmulatedLines &) = delete;
};

} // namespace

class TestPortOpening : public QObject
{
    Q_OBJECT

private slots:
    void opensAtTheInstrumentsLineWithBothLinesRaised();
    void settingsOnAnOpenLineRaiseTheLinesAgain();
    void aLineWithoutModemLinesIsNoFault();
    void aMissingPortFailsToOpen();
};

void TestPortOpening::opensAtTheInstrumentsLineWithBothLinesRaised()
{
    const Pty pty;
    QVERIFY(!pty.slave().isEmpty());
    const EmulatedLines emulated(pty);
    QSerialPort port;
    port.setPortName(pty.slave());
    // What an earlier user of the object left must not survive the open.
    port.setBaudRate(QSerialPort::Baud9600);
    port.setParity(QSerialPort::EvenParity);
    port.setFlowControl(QSerialPort::HardwareControl);
    QVERIFY(openSerialLine(port));

    const termios line = pty.settings();
    QCOMPARE(::cfgetospeed(&line), speed_t(B4800));
    QCOMPARE(::cfgetispeed(&line), speed_t(B4800));
    QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    QCOMPARE(line.c_iflag & (IXON | IXOFF), tcflag_t(0));

    QVERIFY(port.isDataTerminalReady());
    QVERIFY(port.isRequestToSend());
    // Raised once the line was at 4800 baud, that is after the open.
    QVERIFY(!lines.speedAtRaise.isEmpty());
    for (const speed_t speed : std::as_const(lines.speedAtRaise))
        QCOMPARE(speed, speed_t(B4800));
}

void TestPortOpening::settingsOnAnOpenLineRaiseTheLinesAgain()
{
    // The legacy console sets its line after the open; a system that lowers a line with new
    // settings must not leave it low.
    const Pty pty;
    const EmulatedLines emulated(pty);
    QSerialPort port;
    port.setPortName(pty.slave());
    QVERIFY(openSerialLine(port));
    lines.state = 0;
    applyLineSettings(port, LineSettings{QSerialPort::Baud9600, QSerialPort::NoParity,
                                         QSerialPort::Data8, QSerialPort::TwoStop});
    const termios line = pty.settings();
    QCOMPARE(::cfgetospeed(&line), speed_t(B9600));
    QCOMPARE(line.c_cflag & CSTOPB, tcflag_t(CSTOPB));
    QVERIFY(port.isDataTerminalReady());
    QVERIFY(port.isRequestToSend());
}

void TestPortOpening::aLineWithoutModemLinesIsNoFault()
{
    Pty pty;
    QSerialPort port;
    port.setPortName(pty.slave());
    QSignalSpy errors(&port, &QSerialPort::errorOccurred);
    QVERIFY(openSerialLine(port));
    for (const QList<QVariant> &error : std::as_const(errors))
        QCOMPARE(error.at(0).value<QSerialPort::SerialPortError>(), QSerialPort::NoError);
    QCOMPARE(port.error(), QSerialPort::NoError);
    const termios line = pty.settings();
    QCOMPARE(::cfgetospeed(&line), speed_t(B4800));

    // And the line carries bytes both ways.
    const QByteArray probe("\x64\x65\xFB\xA6", 4);
    QCOMPARE(port.write(probe), qint64(4));
    QVERIFY(QTest::qWaitFor([&] { return pty.received().size() >= 4; }, 5000));
    QCOMPARE(pty.received(), probe);
    QCOMPARE(::write(pty.master(), "\xAA\xA4", 2), ssize_t(2));
    QVERIFY(QTest::qWaitFor([&] { return port.bytesAvailable() >= 2; }, 5000));
    QCOMPARE(port.readAll(), QByteArray("\xAA\xA4"));
}

void TestPortOpening::aMissingPortFailsToOpen()
{
    QSerialPort port;
    port.setPortName(QStringLiteral("/dev/telvoro-no-such-port"));
    QVERIFY(!openSerialLine(port));
    QCOMPARE(port.error(), QSerialPort::DeviceNotFoundError);
    QVERIFY(!port.isOpen());
}

QTEST_GUILESS_MAIN(TestPortOpening)
#include "test_portopening.moc"
