#include "simplatform.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cstdint>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <sys/timerfd.h>
#endif

namespace simplatform
{

PtyPair::~PtyPair()
{
    close();
}

namespace
{

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), qt_error_string(errno));
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

bool PtyPair::open(QString &error)
{
    close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        error = systemError("posix_openpt");
        return false;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    const char *name = nullptr;
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        (name = ::ptsname(master_)) == nullptr) {
        error = systemError("grantpt/unlockpt/ptsname");
        close();
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(name);

    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (slave_ < 0 || ::tcgetattr(slave_, &tio) != 0) {
        error = systemError("open slave");
        close();
        return false;
    }
    // Raw, so that a client that never touches the settings still gets the bytes unchanged
    // and nothing is echoed back to us.
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B4800);
    ::cfsetospeed(&tio, B4800);
    tio.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(slave_, TCSANOW, &tio) != 0) {
        error = systemError("tcsetattr");
        close();
        return false;
    }

#ifdef Q_OS_LINUX
    // A real port drops what arrives while nobody has it open; a pty keeps it for the next
    // client. Watching opens and closes of the slave lets us drop it the same way.
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 &&
        ::inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0)
        closeFd(watch_);
#endif
    return true;
}

void PtyPair::close()
{
    closeFd(watch_);
    closeFd(slave_);
    closeFd(master_);
    slavePath_.clear();
}

qint64 PtyPair::read(char *data, qint64 maxSize)
{
    const ssize_t n = ::read(master_, data, size_t(maxSize));
    if (n > 0)
        return n;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return 0;
    return -1;
}

qint64 PtyPair::write(const char *data, qint64 size)
{
    const ssize_t n = ::write(master_, data, size_t(size));
    if (n >= 0)
        return n;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    return -1;
}

ClientEvents PtyPair::takeClientEvents()
{
    ClientEvents events;
#ifdef Q_OS_LINUX
    if (watch_ < 0)
        return events;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(watch_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->mask & IN_OPEN)
                ++events.opened;
            if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE))
                ++events.closed;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
#endif
    return events;
}

void PtyPair::discardUnread()
{
    if (slave_ >= 0)
        ::tcflush(slave_, TCIFLUSH);
}

void ignoreBrokenPipe()
{
    std::signal(SIGPIPE, SIG_IGN);
}

namespace
{

constexpr qint64 NsPerMs = 1'000'000;

#ifdef Q_OS_LINUX

int createTimerFd()
{
    return ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
}

void armTimerFd(int fd, qint64 waitNs)
{
    // Zero would disarm it.
    const qint64 ns = std::max<qint64>(waitNs, 1);
    itimerspec spec{};
    spec.it_value.tv_sec = time_t(ns / (1000 * NsPerMs));
    spec.it_value.tv_nsec = long(ns % (1000 * NsPerMs));
    ::timerfd_settime(fd, 0, &spec, nullptr);
}

void disarmTimerFd(int fd)
{
    const itimerspec disarmed{};
    ::timerfd_settime(fd, 0, &disarmed, nullptr);
}

// Setting the timer anew forgets an earlier expiry, so an expiry that start() or stop()
// overtook reads nothing here.
bool takeExpiry(int fd)
{
    std::uint64_t expirations = 0;
    return ::read(fd, &expirations, sizeof expirations) == ssize_t(sizeof expirations) &&
           expirations > 0;
}

void closeTimerFd(int fd)
{
    ::close(fd);
}

#else // no nanosecond timers: never created, so never armed

int createTimerFd()
{
    return -1;
}

void armTimerFd(int, qint64) {}

void disarmTimerFd(int) {}

bool takeExpiry(int)
{
    return false;
}

void closeTimerFd(int) {}

#endif

} // namespace

PreciseTimer::PreciseTimer(QObject *parent) : QObject(parent), fd_(createTimerFd())
{
    if (fd_ >= 0) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &PreciseTimer::onExpired);
        return;
    }
    fallback_ = new QTimer(this);
    fallback_->setSingleShot(true);
    fallback_->setTimerType(Qt::PreciseTimer);
    connect(fallback_, &QTimer::timeout, this, &PreciseTimer::timeout);
}

PreciseTimer::~PreciseTimer()
{
    if (fd_ >= 0) {
        delete notifier_;
        closeTimerFd(fd_);
    }
}

void PreciseTimer::start(qint64 waitNs)
{
    if (fd_ >= 0)
        armTimerFd(fd_, waitNs);
    else
        fallback_->start(int((std::max<qint64>(waitNs, 0) + NsPerMs - 1) / NsPerMs));
}

void PreciseTimer::stop()
{
    if (fd_ >= 0)
        disarmTimerFd(fd_);
    else
        fallback_->stop();
}

void PreciseTimer::onExpired()
{
    if (takeExpiry(fd_))
        emit timeout();
}

} // namespace simplatform
