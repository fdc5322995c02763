#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

// The simulator's operating-system layer: the pty front end, built only where pseudo-terminals
// exist (POSIX). The instrument model beside it is portable.
namespace simplatform
{

/// Client activity on the slave side since the last look.
struct ClientEvents {
    int opened = 0;
    int closed = 0;
};

/// A pseudo-terminal pair. We keep one slave descriptor open ourselves: without one, a Linux
/// master polls readable and reads EIO from the moment the last client closes until the next
/// one opens, and the slave's raw settings would not survive between clients.
class PtyPair
{
public:
    PtyPair() = default;
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    /// Creates the pair with the slave in raw mode at 4800 baud.
    bool open(QString &error);
    /// Closes both sides; clients then see a hang-up, like a pulled cable.
    void close();
    bool isOpen() const { return master_ >= 0; }

    int masterFd() const { return master_; }
    QString slavePath() const { return slavePath_; }

    /// Reads from the master: the byte count, 0 when nothing is waiting, -1 on failure.
    qint64 read(char *data, qint64 maxSize);
    /// Writes to the master: the byte count (possibly short), 0 when full, -1 on failure.
    qint64 write(const char *data, qint64 size);

    /// A descriptor that turns readable when a client opens or closes the slave; -1 where the
    /// system cannot tell.
    int clientWatchFd() const { return watch_; }
    /// Reads the pending notifications of clientWatchFd().
    ClientEvents takeClientEvents();
    /// Drops bytes that reached the slave but that no client has read. Only safe while no
    /// client has the slave open: a client that saw them waiting and then finds nothing gets
    /// EAGAIN, which QSerialPort takes for a fatal resource error.
    void discardUnread();

private:
    int master_ = -1;
    int slave_ = -1;
    int watch_ = -1;
    QString slavePath_;
};

/// A single-shot timer of the event loop that wakes within microseconds of its time: Linux
/// has timers that count nanoseconds (a timerfd). Qt's own timers count whole milliseconds,
/// and the GLib event loop rounds their waits up to the next one; elsewhere such a timer is
/// used, rounded up, and wakes up to a millisecond or two late.
class PreciseTimer : public QObject
{
    Q_OBJECT

public:
    explicit PreciseTimer(QObject *parent = nullptr);
    ~PreciseTimer() override;

    /// Fires once, `waitNs` from now; a running timer starts over.
    void start(qint64 waitNs);
    void stop();

signals:
    void timeout();

private:
    void onExpired();

    int fd_ = -1;
    QSocketNotifier *notifier_ = nullptr;
    QTimer *fallback_ = nullptr;
};

/// A closed log pipe no longer kills the process: writing to it just fails.
void ignoreBrokenPipe();

} // namespace simplatform
