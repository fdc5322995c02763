#include "clibench.h"

#include "benchline.h"
#include "benchutil.h"
#include "simfloor.h"
#include "simthread.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace bench
{

namespace
{

constexpr int DownloadRecords = 1000;
/// A record request out and its frame back: 4 + 11 bytes.
constexpr double ExchangeMs = 15 * ByteMs;

/// Runs telvoro-cli to its end; its exit code, or -1 when it did not end normally.
int runCli(const QStringList &args, const QString &workDir)
{
    QProcess cli;
    cli.setWorkingDirectory(workDir);
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.setStandardErrorFile(QProcess::nullDevice());
    cli.start(QStringLiteral(TELVORO_CLI_PATH), args);
    // The simulator runs in a thread of its own, so this one may block.
    if (!cli.waitForFinished(600000) || cli.exitStatus() != QProcess::NormalExit)
        return -1;
    return cli.exitCode();
}

int storedRecords(const QString &path)
{
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (db.open() && query.exec(QStringLiteral("SELECT COUNT(*) FROM HistoryData")) &&
            query.next())
            count = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(path);
    return count;
}

/// CPU milliseconds (user and system) of the children this process has waited for.
double childrenCpuMs()
{
#ifdef Q_OS_UNIX
    rusage usage{};
    if (::getrusage(RUSAGE_CHILDREN, &usage) != 0)
        return -1;
    const auto ms = [](const timeval &t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
#else
    return -1;
#endif
}

/// The CPU time of one watch run printing `count` readings.
double watchCpuMs(const QString &port, int count, const QString &workDir)
{
    const double before = childrenCpuMs();
    if (runCli({"--port", port, "watch", "--interval", "0.5", "--count", QString::number(count),
                "--format", "json"},
               workDir) != 0)
        return -1;
    return childrenCpuMs() - before;
}

} // namespace

void cliDownload()
{
    const QString name = QStringLiteral("download, telvoro-cli");
    WorkingDir dir;
    const SimOptions options = pacedInstrument(DownloadRecords);
    SimThread sim(options);
    if (!sim.open()) {
        printNotice(name, QStringLiteral("no pseudo-terminal: ") + sim.errorString());
        return;
    }
    const QString db = dir.filePath(QStringLiteral("TestHistory.db"));
    QElapsedTimer clock;
    clock.start();
    const int exitCode = runCli({"--port", sim.slavePath(), "download", "--db", db}, dir.path());
    const double totalMs = elapsedMs(clock);
    const int stored = storedRecords(db);
    if (exitCode != 0 || stored != DownloadRecords) {
        printNotice(name, QStringLiteral("exit %1, %2 of %3 records stored")
                              .arg(exitCode)
                              .arg(stored)
                              .arg(DownloadRecords));
        return;
    }
    // The probe and the count cross the line too: one exchange each besides the records'.
    const int exchanges = DownloadRecords + 2;
    const double perExchange = totalMs / exchanges;
    const double ratio = ExchangeMs / perExchange;
    BenchLine line{name, ratio, BenchLine::Goal::AtLeast, 0.98};
    line.figure = QStringLiteral("%1 records, all stored, database on disk: %2 per exchange, wire "
                                 "%3; the whole run %4 against %5 on the wire; %6")
                      .arg(DownloadRecords)
                      .arg(ms(perExchange), ms(ExchangeMs), ms(totalMs), ms(exchanges * ExchangeMs),
                           ofTheFloor(ratio));
    line.note = QStringLiteral("from the program's start to its exit: start-up, probe, count, "
                               "%1 record exchanges and the one transaction")
                    .arg(DownloadRecords);
    print(line);
}

void cliWatch()
{
    const QString name = QStringLiteral("watch, telvoro-cli CPU per reading");
    constexpr int Few = 4;
    constexpr int Many = 44;
    WorkingDir dir;
    SimOptions options;
    options.paced = true;
    options.recordCount = 0;
    SimThread sim(options);
    if (!sim.open()) {
        printNotice(name, QStringLiteral("no pseudo-terminal: ") + sim.errorString());
        return;
    }
    const double few = watchCpuMs(sim.slavePath(), Few, dir.path());
    const double many = watchCpuMs(sim.slavePath(), Many, dir.path());
    if (few < 0 || many < 0) {
        printNotice(name, QStringLiteral("a watch run failed"));
        return;
    }
    // The difference leaves the start-up out: what each further reading costs.
    const double perReading = (many - few) / (Many - Few);
    BenchLine line{name, perReading / 500.0};
    line.figure = QStringLiteral("%1 CPU per reading (%2 for %3 readings, %4 for %5), a reading "
                                 "every 500 ms: the ratio is the share of one core")
                      .arg(ms(perReading), ms(many))
                      .arg(Many)
                      .arg(ms(few))
                      .arg(Few);
    print(line);
}

} // namespace bench
