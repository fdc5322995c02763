// download and export: the stored records into a database, a CSV report or JSON.
#include "commands.h"

#include "csvreport.h"
#include "historyfile.h"
#include "historystore.h"
#include "instrumentlink.h"
#include "keptdownload.h"
#include "outputfile.h"
#include "progressline.h"
#include "recorddownload.h"
#include "recordjson.h"
#include "stopsignals.h"
#include "targetfile.h"
#include "terminal.h"
#include "verdictline.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace
{

// A terminal's progress bar is redrawn at most this often.
constexpr qint64 RedrawEveryMs = 100;

/// Where one download goes: any of a database, a CSV report and JSON.
struct Targets {
    QString db;
    QString csv;
    QString json;

    /// What was received is kept beside the first of them.
    QString keptPath() const
    {
        return KeptDownload::pathFor(!db.isEmpty() ? db : !csv.isEmpty() ? csv : json);
    }
};

bool writeJson(const QString &path, const QList<HistoryRecord> &records, QString *why)
{
    const QByteArray bytes = RecordJson::document(records);
    return OutputFile::write(
               path, {}, [&bytes](QIODevice &file) { return file.write(bytes) == bytes.size(); },
               why) == OutputFile::Result::Written;
}

bool writeCsv(const QString &path, const QList<HistoryRecord> &records, QString *why)
{
    return OutputFile::write(
               path, QIODevice::Text,
               [&records](QIODevice &file) { return CsvReport::write(file, records); },
               why) == OutputFile::Result::Written;
}

/// Every target is checked before the instrument is asked for anything.
bool checkTargets(const Targets &targets, QString *error)
{
    const auto checkOutput = [&](const QString &path) {
        if (path.isEmpty())
            return true;
        if (!targets.db.isEmpty() && !HistoryFile::checkApart(targets.db, path, error))
            return false;
        if (OutputFile::sameFile(path, targets.keptPath())) {
            *error = QStringLiteral("cannot write %1: a download keeps what it received there")
                         .arg(path);
            return false;
        }
        const QString why = TargetFile::whyNotWritable(path);
        if (!why.isEmpty())
            *error = QStringLiteral("cannot write %1: %2").arg(path, why);
        return why.isEmpty();
    };
    return (targets.db.isEmpty() || HistoryFile::checkReplaceable(targets.db, error)) &&
           checkOutput(targets.csv) && checkOutput(targets.json);
}

/// Writes a whole download into every target, going on past a target that fails so that the
/// others get the records all the same. False when any failed (each says why).
bool writeTargets(const Targets &targets, const QList<HistoryRecord> &records)
{
    bool all = true;
    QString error;
    if (!targets.db.isEmpty() && !HistoryFile::replaceRecords(targets.db, records, &error)) {
        Terminal::note(error);
        all = false;
    }
    const auto write = [&](const QString &path, auto writer) {
        QString why;
        if (path.isEmpty() || writer(path, records, &why))
            return;
        Terminal::note(QStringLiteral("cannot write %1: %2").arg(path, why));
        all = false;
    };
    write(targets.csv, writeCsv);
    write(targets.json, writeJson);
    return all;
}

/// After a whole download: the targets written, or the download kept until they can be.
/// `done` is the end line's start; quiet: no end line.
ExitCode finish(const Targets &targets, const DownloadOutcome &download, const QString &done,
                bool quiet)
{
    const QString kept = targets.keptPath();
    if (writeTargets(targets, download.records)) {
        // Whatever an earlier download kept for these targets is superseded now; left behind,
        // a later --resume would take it for theirs.
        if (QFileInfo::exists(kept) && !QFile::remove(kept))
            Terminal::note(QStringLiteral("cannot remove %1: delete it, as it no longer belongs "
                                          "to the targets")
                               .arg(kept));
        if (!quiet)
            Terminal::note(done +
                           ProgressLine::stored(int(download.records.size()), download.skipped()));
        return ExitCode::Done;
    }
    QString error;
    if (KeptDownload::write(kept, download, &error))
        Terminal::note(QStringLiteral("the %1 records downloaded are kept in %2: download "
                                      "--resume writes them into the targets, with no "
                                      "instrument needed")
                           .arg(download.received)
                           .arg(kept));
    else
        Terminal::note(error + QStringLiteral("; the records downloaded could not be kept"));
    return ExitCode::FileError;
}

/// The progress of one download on stderr: a bar on a terminal, else nothing until the end.
class Progress
{
public:
    Progress() : terminal(Terminal::stderrIsTerminal()) { clock.start(); }

    void update(int done, int total)
    {
        if (!from)
            from = done;
        if (!terminal || (lastDraw.isValid() && lastDraw.elapsed() < RedrawEveryMs && done < total))
            return;
        lastDraw.start();
        Terminal::redrawProgress(ProgressLine::bar(done, total, clock.elapsed() / 1000.0,
                                                   Terminal::stderrColumns() - 1, *from));
        drawn = true;
    }

    /// Ends the bar so the next message starts on a line of its own; the seconds it took.
    double end()
    {
        if (drawn)
            Terminal::endProgress();
        drawn = false;
        return clock.elapsed() / 1000.0;
    }

private:
    const bool terminal;
    std::optional<int> from; ///< the records received before this run
    bool drawn = false;
    QElapsedTimer clock;
    QElapsedTimer lastDraw;
};

QString stopReason(DownloadOutcome::End end)
{
    switch (end) {
    case DownloadOutcome::End::Stopped:
        return QStringLiteral("interrupted");
    case DownloadOutcome::End::LinkLost:
        return QStringLiteral("the link was lost");
    default:
        return QStringLiteral("the instrument stopped answering");
    }
}

/// An interrupted download: the targets stay as they were, what arrived is kept beside them.
/// The exit status of a download that did not complete: a stop request is an interrupted run,
/// the rest are the line's fault.
ExitCode endStatus(DownloadOutcome::End end)
{
    return end == DownloadOutcome::End::Stopped ? ExitCode::Interrupted : ExitCode::LinkLost;
}

void keepInterrupted(const Targets &targets, const DownloadOutcome &download)
{
    Terminal::note(
        ProgressLine::stopped(download.received + 1, download.total, stopReason(download.end)));
    if (download.received == 0) {
        Terminal::note(QStringLiteral("nothing was written"));
        return;
    }
    const QString kept = targets.keptPath();
    QString error;
    if (!KeptDownload::write(kept, download, &error)) {
        Terminal::note(error + QStringLiteral("; nothing was written"));
        return;
    }
    Terminal::note(QStringLiteral("the targets are as they were; the %1 records received are "
                                  "kept in %2: download --resume goes on from record %3")
                       .arg(download.received)
                       .arg(kept)
                       .arg(download.received + 1));
}

} // namespace

ExitCode runDownload(const CliRequest &request)
{
    const Targets targets{request.db.isEmpty() && request.csv.isEmpty() && request.json.isEmpty()
                              ? QString::fromLatin1(HistoryStore::FileName)
                              : request.db,
                          request.csv, request.json};
    QString error;
    if (!checkTargets(targets, &error)) {
        Terminal::note(error);
        return ExitCode::FileError;
    }
    // A file in the way of what a download keeps is found now, not after the download.
    const QString keptPath = targets.keptPath();
    DownloadOutcome kept;
    if (QFileInfo::exists(keptPath) && !KeptDownload::read(keptPath, &kept, &error)) {
        Terminal::note(error + QStringLiteral(", and a download keeps what it received there: "
                                              "move it away"));
        return ExitCode::FileError;
    }
    const bool resuming = request.resume && kept.received > 0;
    if (resuming && kept.received == kept.total)
        return finish(
            targets, kept,
            QStringLiteral("wrote the %1 records kept in %2").arg(kept.total).arg(keptPath),
            request.quiet);
    if (request.resume && !resuming)
        Terminal::note(
            QStringLiteral("no download is kept in %1: downloading every record").arg(keptPath));
    if (!request.resume && kept.received > 0)
        Terminal::note(QStringLiteral("%1 keeps %2 of the %3 records of an earlier download; this "
                                      "one starts over (download --resume goes on from there)")
                           .arg(keptPath)
                           .arg(kept.received)
                           .arg(kept.total));

    InstrumentLink link;
    const StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &link,
                     &InstrumentLink::requestStop);
    if (const std::optional<ExitCode> failed = connectInstrument(link, request)) {
        if (!link.stopRequested())
            return *failed;
        Terminal::note(QStringLiteral("stopped before the download began: interrupted"));
        return ExitCode::Interrupted;
    }

    // The bar and its clock start once the count is known, as the records begin.
    std::optional<Progress> progress;
    int first = 1;
    const DownloadOutcome download = downloadRecords(
        link, resuming ? kept : DownloadOutcome{},
        [&](const DownloadOutcome &counted) {
            first = counted.received + 1;
            if (first > 1)
                Terminal::note(QStringLiteral("going on from record %1 of %2 (%3 kept in %4)")
                                   .arg(first)
                                   .arg(counted.total)
                                   .arg(counted.received)
                                   .arg(keptPath));
            else if (resuming)
                Terminal::note(QStringLiteral("the instrument now holds %1 records, not the %2 of "
                                              "the download kept in %3: downloading every record")
                                   .arg(counted.total)
                                   .arg(kept.total)
                                   .arg(keptPath));
            progress.emplace();
        },
        [&progress](int done, int total) { progress->update(done, total); });
    if (!progress) { // the count never came
        Terminal::note(QStringLiteral("stopped before the record count arrived: ") +
                       stopReason(download.end));
        Terminal::note(QStringLiteral("nothing was written"));
        return endStatus(download.end);
    }
    link.close();
    const double seconds = progress->end();
    if (download.end != DownloadOutcome::End::Completed) {
        keepInterrupted(targets, download);
        return endStatus(download.end);
    }
    return finish(targets, download,
                  first == 1 ? ProgressLine::finished(download.total, seconds)
                             : ProgressLine::resumed(first, download.total, seconds),
                  request.quiet);
}

ExitCode runExport(const CliRequest &request)
{
    QList<HistoryRecord> records;
    QString error;
    if ((!request.output.isEmpty() &&
         !HistoryFile::checkApart(request.db, request.output, &error)) ||
        !HistoryFile::readRecords(request.db, &records, &error)) {
        Terminal::note(error);
        return ExitCode::FileError;
    }
    const bool json = request.format == LineFormat::Json;
    if (!request.output.isEmpty()) {
        QString why;
        if (!(json ? writeJson(request.output, records, &why)
                   : writeCsv(request.output, records, &why))) {
            Terminal::note(QStringLiteral("cannot write %1: %2").arg(request.output, why));
            return ExitCode::FileError;
        }
        return VerdictLine::finish(request, records);
    }
    bool written = false;
    if (json) {
        written = Terminal::print(RecordJson::document(records));
    } else {
        QFile out;
        written = out.open(stdout, QIODevice::WriteOnly | QIODevice::Text) &&
                  CsvReport::write(out, records) && out.flush();
    }
    if (!written) {
        Terminal::note(QStringLiteral("cannot write the output"));
        return ExitCode::FileError;
    }
    return VerdictLine::finish(request, records);
}
