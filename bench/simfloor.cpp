#include "simfloor.h"

#include "benchline.h"
#include "benchutil.h"
#include "protocol.h"
#include "simthread.h"

#include <QElapsedTimer>
#include <QFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace bench
{

namespace
{

constexpr int FloorRecords = 1000;
/// A record request out and its frame back: 4 + 11 bytes.
constexpr double ExchangeMs = 15 * ByteMs;

/// Where bench/run.sh has the floor of its run kept, for the benchmarks after it.
QString handOverPath()
{
    return qEnvironmentVariable("TELVORO_BENCH_FLOOR");
}

/// Milliseconds per record exchange of a client that only writes each request and reads its
/// answer, with nothing in between. -1 on failure.
double bareClientMsPerExchange(const QString &path, int records)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    const auto exchange = [fd](protocol::CommandCode code) {
        const protocol::CommandFrame frame = protocol::buildCommand(code);
        if (::write(fd, frame.data(), frame.size()) != ssize_t(frame.size()))
            return false;
        std::size_t got = 0;
        while (got < protocol::FrameSize) {
            pollfd p{fd, POLLIN, 0};
            char buffer[64];
            if (::poll(&p, 1, 2000) <= 0)
                return false;
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            got += std::size_t(n);
        }
        return true;
    };
    bool ok = exchange(protocol::Command::Probe);
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; ok && i <= records; ++i)
        ok = exchange(protocol::RequestRecord(std::uint16_t(i)));
    const double perExchange = elapsedMs(clock) / records;
    ::close(fd);
    return ok ? perExchange : -1;
#else
    Q_UNUSED(path);
    Q_UNUSED(records);
    return -1;
#endif
}

double measuredFloorMs = -1;

} // namespace

void simulatorFloor()
{
    const QString name = QStringLiteral("download, simulator floor");
    SimThread sim(pacedInstrument(FloorRecords));
    if (!sim.open()) {
        printNotice(name, QStringLiteral("no pseudo-terminal: ") + sim.errorString());
        return;
    }
    const double floorMs = bareClientMsPerExchange(sim.slavePath(), FloorRecords);
    if (floorMs < 0) {
        printNotice(name, QStringLiteral("the bare client's download failed"));
        return;
    }
    measuredFloorMs = floorMs;
    if (!handOverPath().isEmpty()) {
        QFile file(handOverPath());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(QByteArray::number(floorMs, 'g', 17));
    }
    BenchLine line{name, ExchangeMs / floorMs, BenchLine::Goal::AtLeast, 0.995};
    line.figure = QStringLiteral("%1 per exchange for a bare POSIX client (%2 records), wire %3")
                      .arg(ms(floorMs))
                      .arg(FloorRecords)
                      .arg(ms(ExchangeMs));
    line.note = QStringLiteral("the simulator keeps the line's time; what is left is the "
                               "pseudo-terminal and the wake-ups on both sides");
    print(line);
}

double floorMsPerExchange()
{
    if (measuredFloorMs < 0 && !handOverPath().isEmpty()) {
        QFile file(handOverPath());
        bool ok = false;
        if (file.open(QIODevice::ReadOnly))
            measuredFloorMs = file.readAll().toDouble(&ok);
        if (!ok)
            measuredFloorMs = -1;
    }
    if (measuredFloorMs < 0)
        simulatorFloor();
    return measuredFloorMs;
}

QString ofTheFloor(double ratio)
{
    const double floorMs = floorMsPerExchange();
    if (floorMs < 0)
        return QStringLiteral("the simulator floor is unknown");
    return QStringLiteral("%1 of the simulator floor")
        .arg(ratio / (ExchangeMs / floorMs), 0, 'f', 3);
}

} // namespace bench
