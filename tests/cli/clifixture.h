#pragma once

// telvoro-cli run as a program against the simulated instrument in this process. Waits keep
// the event loop running, so the instrument answers while the program talks to it.

#include "historystore.h"
#include "ptyinstrument.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

/// Generous: a paced download of a few hundred records, or a watch with retries.
constexpr int CliWaitMs = 60000;

/// What one run of the program left.
struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromLocal8Bit(err); }
};

/// The program with the environment the tests give it: the ports it may try are only the ones
/// named, never the machine's own.
class CliProcess
{
public:
    CliProcess(const QString &extraPorts, const QString &workDir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TELVORO_EXTRA_PORTS"), extraPorts);
        env.insert(QStringLiteral("TELVORO_ONLY_EXTRA_PORTS"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(workDir);
    }

    void start(const QStringList &args) { process.start(QStringLiteral(TELVORO_CLI_PATH), args); }

    /// Waits until the program has ended (or the wait is over) and collects what it said.
    CliRun finish(int timeoutMs = CliWaitMs)
    {
        const bool ended =
            QTest::qWaitFor([this] { return process.state() == QProcess::NotRunning; }, timeoutMs);
        CliRun run;
        if (!ended) {
            process.kill();
            process.waitForFinished(5000);
        } else if (process.exitStatus() == QProcess::NormalExit) {
            run.exitCode = process.exitCode();
        }
        run.out = out + process.readAllStandardOutput();
        run.err = err + process.readAllStandardError();
        return run;
    }

    /// Waits until standard error holds `text` (the program still running).
    bool waitForError(const QString &text, int timeoutMs = CliWaitMs)
    {
        return QTest::qWaitFor(
            [&] {
                err += process.readAllStandardError();
                return QString::fromLocal8Bit(err).contains(text);
            },
            timeoutMs);
    }

    /// Standard output so far, whole lines only.
    QStringList linesSoFar()
    {
        out += process.readAllStandardOutput();
        return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
    }

    bool waitForLines(int count, int timeoutMs = CliWaitMs)
    {
        return QTest::qWaitFor([&] { return linesSoFar().size() >= count; }, timeoutMs);
    }

    qint64 pid() const { return process.processId(); }
    void terminate() { process.terminate(); }

private:
    QProcess process;
    QByteArray out;
    QByteArray err;
};

/// Runs the program once to its end.
inline CliRun runCli(const QStringList &args, const QString &extraPorts, const QString &workDir)
{
    CliProcess cli(extraPorts, workDir);
    cli.start(args);
    return cli.finish();
}

/// A file's bytes; empty when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// A history database at `path` holding `records`, made as the console makes it; false when it
/// could not be made whole.
[[nodiscard]] inline bool writeHistory(const QString &path, const QList<HistoryRecord> &records)
{
    bool written = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
        db.setDatabaseName(path);
        written = db.open() && HistoryStore::createTable(db);
        for (const HistoryRecord &record : records)
            written = written && HistoryStore::insert(db, record);
        db.close();
    }
    QSqlDatabase::removeDatabase(path);
    return written;
}

/// A history database at `path` with records 1..count of `dataType`; false when it could not
/// be made.
[[nodiscard]] inline bool makeHistory(const QString &path, int count, const QString &dataType)
{
    const QString unit =
        dataType.contains(QStringLiteral("电压")) ? QStringLiteral("V") : QStringLiteral("Ω");
    QList<HistoryRecord> records;
    for (int i = 1; i <= count; ++i)
        records.append({i, dataType, 220.0 + i, 2, 1, unit, i % 2});
    return writeHistory(path, records);
}

/// Every record of the history database at `path`.
inline QList<HistoryRecord> historyOf(const QString &path)
{
    QList<HistoryRecord> records;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
        db.setDatabaseName(path);
        // Read-only: a file that is not there is not made.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open())
            records = HistoryStore::all(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(path);
    return records;
}

/// Another program holding a history database: a transaction begun with `how` (IMMEDIATE keeps
/// other writers out, EXCLUSIVE readers too) until release() or the end of this object. POSIX
/// ends a process's locks on a file when it closes any handle to it: read the file only after.
/// A test goes on only once isValid() says the transaction was begun.
class DatabaseLock
{
public:
    DatabaseLock(const QString &path, const QString &how) : name(QStringLiteral("lock ") + path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        held = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN ") + how);
    }
    ~DatabaseLock() { release(); }
    DatabaseLock(const DatabaseLock &) = delete;
    DatabaseLock &operator=(const DatabaseLock &) = delete;

    bool isValid() const { return held; }

    void release()
    {
        if (!QSqlDatabase::contains(name))
            return;
        {
            QSqlDatabase db = QSqlDatabase::database(name);
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

private:
    const QString name;
    bool held = false;
};

/// Local ISO 8601 times (milliseconds and offset included) replaced by "TIME", so lines
/// compare whole.
inline QString withoutTimes(QString text)
{
    static const QRegularExpression time(
        QStringLiteral(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)"));
    return text.replace(time, QStringLiteral("TIME"));
}

/// An instrument behind a symbolic link of its own, so that after a pulled cable it can come
/// back on a new device under the same name. A test goes on only once isValid() says it was set
/// up.
class LinkedInstrument
{
public:
    explicit LinkedInstrument(const SimOptions &options = {}) : instrument(options)
    {
        if (!dir.isValid()) {
            failure = dir.errorString();
            return;
        }
        if (!instrument.open()) {
            failure = instrument.errorString();
            return;
        }
        // A name no other test uses: serial ports are locked by their name.
        path = dir.filePath(QStringLiteral("telvoro-%1").arg(QCoreApplication::applicationPid()));
        if (!relink())
            failure = QStringLiteral("cannot link ") + path;
    }

    bool isValid() const { return failure.isEmpty(); }
    /// Why the instrument could not be set up.
    QString errorString() const { return failure; }

    /// Plugs the instrument in again (a new device) under the same name.
    bool replug() { return instrument.open() && relink(); }

    PtyInstrument instrument;
    QString path;

private:
    bool relink()
    {
        QFile::remove(path);
        return QFile::link(instrument.slavePath(), path);
    }

    QTemporaryDir dir;
    QString failure;
};
