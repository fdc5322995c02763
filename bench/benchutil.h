#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace bench
{

/// One byte at 4800 baud, 8N1: ten bits.
constexpr double ByteMs = 10.0 / 4800.0 * 1000.0;

/// Runs the event loop until `done` holds or `timeoutMs` passes; true when it held. The loop
/// blocks for events instead of sleeping between checks, so nothing waits on the benchmark.
bool waitUntil(const std::function<bool()> &done, int timeoutMs);

/// Handles what is pending now, painting included, without waiting for more.
void pumpEvents();

/// Resident memory of this process in bytes; -1 where the system cannot tell.
qint64 residentBytes();

/// Milliseconds since `timer` started, with sub-millisecond resolution.
double elapsedMs(const QElapsedTimer &timer);

double median(QList<double> values);

/// "12.34 ms"; three decimals below 10 ms.
QString ms(double value);

/// Lines (line ends) in a file; -1 when it cannot be read.
qsizetype lineCount(const QString &path);

/// The sqlite3 program exporting HistoryData of the working directory's TestHistory.db as CSV
/// into `path`, as the console's report orders it: the milliseconds from its launch to its
/// exit, or -1 when it failed.
double runSqlite3(const QString &program, const QString &path);

/// A temporary working directory that the consoles' TestHistory.db lands in. Leaving it also
/// drops the default database connection, so the next window starts from scratch.
class WorkingDir
{
public:
    WorkingDir();
    ~WorkingDir();
    WorkingDir(const WorkingDir &) = delete;
    WorkingDir &operator=(const WorkingDir &) = delete;

    bool isValid() const { return dir.isValid(); }
    QString path() const { return dir.path(); }
    QString filePath(const QString &name) const { return dir.filePath(name); }
    /// Makes this the working directory (again).
    void enter() const;

private:
    QString previous;
    QTemporaryDir dir;
};

} // namespace bench
