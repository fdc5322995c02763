#include "benchutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QTimer>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace bench
{

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // Wakes the blocked loop now and then, so a condition changed without an event is seen.
    QTimer wake;
    wake.start(20);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void pumpEvents()
{
    // A repaint can post further events (the chart view's scene update does), so twice.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

qint64 residentBytes()
{
#ifdef Q_OS_LINUX
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields[1].toLongLong() * sysconf(_SC_PAGESIZE);
#else
    return -1;
#endif
}

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

QString ms(double value)
{
    return QString::number(value, 'f', value < 10 ? 3 : 2) + QStringLiteral(" ms");
}

qsizetype lineCount(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().count('\n');
}

double runSqlite3(const QString &program, const QString &path)
{
    QProcess process;
    process.setStandardOutputFile(path);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {QStringLiteral("-csv"), QStringLiteral("TestHistory.db"),
                            QStringLiteral("SELECT record_index, data_type, avg_value, max_value, "
                                           "min_value, unit, battery FROM HistoryData ORDER BY "
                                           "record_index ASC")});
    const bool done = process.waitForFinished(60000) && process.exitCode() == 0;
    const double elapsed = elapsedMs(clock);
    return done ? elapsed : -1.0;
}

WorkingDir::WorkingDir() : previous(QDir::currentPath())
{
    enter();
}

WorkingDir::~WorkingDir()
{
    QDir::setCurrent(previous);
    QSqlDatabase::removeDatabase(QString::fromLatin1(QSqlDatabase::defaultConnection));
}

void WorkingDir::enter() const
{
    if (dir.isValid())
        QDir::setCurrent(dir.path());
}

} // namespace bench
