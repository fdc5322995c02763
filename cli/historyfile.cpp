#include "historyfile.h"

#include "outputfile.h"
#include "sqlitereason.h"
#include "targetfile.h"
#include "terminal.h"

#include <QFileInfo>
#include <QStringList>

namespace
{

using Cause = HistoryFault::Cause;

/// Waiting for `path`, said once on standard error.
BusyWait busyWait(const QString &path)
{
    return {BusyWaitSeconds, [path] {
                Terminal::note(QStringLiteral("%1 is busy (another program is using it): "
                                              "waiting up to %2 s")
                                   .arg(path)
                                   .arg(BusyWaitSeconds));
            }};
}

QString notHistory(const QString &path, const QString &why)
{
    return QStringLiteral("%1 is not a history database: %2").arg(path, why);
}

QString cannot(const char *verb, const QString &path, const QString &why)
{
    return QStringLiteral("cannot %1 %2: %3").arg(QLatin1String(verb), path, why);
}

/// What went wrong with `path`; `verb` names the work that SQLite refused.
QString told(const char *verb, const QString &path, const HistoryFault &fault)
{
    switch (fault.cause) {
    case Cause::NoSuchFile:
        return QStringLiteral("%1: no such database").arg(path);
    case Cause::NotSqlite:
    case Cause::Unreadable:
        return notHistory(path, sqliteReason(fault.error));
    case Cause::OtherTables:
        return notHistory(path, QStringLiteral("it holds other tables (%1) and no HistoryData")
                                    .arg(fault.tables.join(QStringLiteral(", "))));
    case Cause::MissingColumn:
        return notHistory(path,
                          QStringLiteral("its HistoryData has no column %1").arg(fault.column));
    case Cause::NoTable:
        return notHistory(path, QStringLiteral("it holds no table HistoryData"));
    case Cause::None:
    case Cause::Refused:
        break;
    }
    return cannot(verb, path,
                  fault.stayedBusy
                      ? QStringLiteral("it stayed busy for %1 s: another program is using it")
                            .arg(BusyWaitSeconds)
                      : sqliteReason(fault.error));
}

} // namespace

namespace HistoryFile
{

bool checkReplaceable(const QString &path, QString *error)
{
    // SQLite writes its journal beside the database, so the folder must take new files too.
    const QString why = TargetFile::whyNotWritable(path);
    if (!why.isEmpty()) {
        *error = cannot("write", path, why);
        return false;
    }
    const QFileInfo file(path);
    if (file.exists() && !file.isFile()) {
        *error = cannot("write", path, QStringLiteral("it is not a regular file"));
        return false;
    }
    HistoryFault fault;
    if (HistoryDatabase::checkReplaceable(path, busyWait(path), &fault))
        return true;
    *error = told("write", path, fault);
    return false;
}

bool replaceRecords(const QString &path, const QList<HistoryRecord> &records, QString *error,
                    const MoreWork &more)
{
    HistoryFault fault;
    if (HistoryDatabase::replaceRecords(path, records, busyWait(path), &fault, more))
        return true;
    *error = told("write", path, fault);
    return false;
}

bool readRecords(const QString &path, QList<HistoryRecord> *records, QString *error,
                 const MoreWork &more)
{
    HistoryFault fault;
    if (HistoryDatabase::readRecords(path, records, busyWait(path), &fault, more))
        return true;
    *error = told("read", path, fault);
    return false;
}

bool checkExisting(const QString &path, QString *error)
{
    HistoryFault fault;
    if (HistoryDatabase::checkExisting(path, busyWait(path), &fault))
        return true;
    *error = told("read", path, fault);
    return false;
}

bool checkApart(const QString &path, const QString &output, QString *error)
{
    if (!OutputFile::sameFile(path, output))
        return true;
    *error = QStringLiteral("cannot write %1: it is the history database").arg(output);
    return false;
}

bool clearRecords(const QString &path, QString *error)
{
    if (!checkExisting(path, error))
        return false;
    HistoryFault fault;
    if (HistoryDatabase::clearRecords(path, busyWait(path), &fault))
        return true;
    *error = told("empty", path, fault);
    return false;
}

} // namespace HistoryFile
