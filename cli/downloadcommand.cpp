// download and export: the stored records into a database, a CSV report or JSON.
#include "commands.h"

#include "csvreport.h"
#include "historyfile.h"
#include "instrumentlink.h"
#include "outputfile.h"
#include "progressline.h"
#include "recorddownload.h"
#include "recordjson.h"
#include "stopsignals.h"
#include "terminal.h"
#include "verdictline.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace
{

// A terminal's progress bar is redrawn at most this often.
constexpr qint64 RedrawEveryMs = 100;

const QString DefaultDatabase = QStringLiteral("TestHistory.db");

/// A file the output can go to: an existing file or device that can be written, or a new one
/// in a folder that can.
bool checkTarget(const QString &path, QString *error)
{
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    const bool writable = target.exists() ? !target.isDir() && target.isWritable()
                                          : folder.isDir() && folder.isWritable();
    if (!writable)
        *error = QStringLiteral("cannot write %1").arg(path);
    return writable;
}

bool writeJson(const QString &path, const QList<HistoryRecord> &records)
{
    const QByteArray bytes = RecordJson::document(records);
    return OutputFile::write(path, {}, [&bytes](QIODevice &file) {
               return file.write(bytes) == bytes.size();
           }) == OutputFile::Result::Written;
}

bool writeCsv(const QString &path, const QList<HistoryRecord> &records)
{
    return CsvReport::write(path, records) == CsvReport::Result::Written;
}

/// The progress of one download on stderr: a bar on a terminal, else nothing until the end.
class Progress
{
public:
    Progress() : terminal(Terminal::stderrIsTerminal()) { clock.start(); }

    void update(int done, int total)
    {
        if (!terminal || (lastDraw.isValid() && lastDraw.elapsed() < RedrawEveryMs && done < total))
            return;
        lastDraw.start();
        Terminal::redrawProgress(ProgressLine::bar(done, total, clock.elapsed() / 1000.0,
                                                   Terminal::stderrColumns() - 1));
        drawn = true;
    }

    /// The final line, on a line of its own.
    void end(const QString &line)
    {
        if (drawn)
            Terminal::endProgress();
        if (!line.isEmpty())
            Terminal::note(line);
    }

    double seconds() const { return clock.elapsed() / 1000.0; }

private:
    const bool terminal;
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

} // namespace

ExitCode runDownload(const CliRequest &request)
{
    const QString db = request.db.isEmpty() && request.csv.isEmpty() && request.json.isEmpty()
                           ? DefaultDatabase
                           : request.db;
    // Every target is checked before the instrument is asked for anything.
    QString error;
    const auto checkOutput = [&](const QString &path) {
        return path.isEmpty() || ((db.isEmpty() || HistoryFile::checkApart(db, path, &error)) &&
                                  checkTarget(path, &error));
    };
    if ((!db.isEmpty() && !HistoryFile::checkReplaceable(db, &error)) ||
        !checkOutput(request.csv) || !checkOutput(request.json)) {
        Terminal::note(error);
        return ExitCode::FileError;
    }

    InstrumentLink link;
    const StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &link,
                     &InstrumentLink::requestStop);
    if (const std::optional<ExitCode> failed = connectInstrument(link, request)) {
        if (!link.stopRequested())
            return *failed;
        Terminal::note(QStringLiteral("stopped before the download began: interrupted"));
        return ExitCode::LinkLost;
    }

    Progress progress;
    const DownloadOutcome outcome =
        downloadRecords(link, [&progress](int done, int total) { progress.update(done, total); });
    link.close();
    if (outcome.end != DownloadOutcome::End::Completed) {
        const QString why = stopReason(outcome.end);
        progress.end(outcome.total < 0
                         ? QStringLiteral("stopped before the record count arrived: ") + why
                         : ProgressLine::stopped(outcome.stoppedAt, outcome.total, why));
        Terminal::note(QStringLiteral("nothing was written"));
        return ExitCode::LinkLost;
    }
    progress.end(request.quiet ? QString()
                               : ProgressLine::finished(outcome.total, progress.seconds()));

    if (!db.isEmpty() && !HistoryFile::replaceRecords(db, outcome.records, &error)) {
        Terminal::note(error);
        return ExitCode::FileError;
    }
    if (!request.csv.isEmpty() && !writeCsv(request.csv, outcome.records)) {
        Terminal::note(QStringLiteral("cannot write ") + request.csv);
        return ExitCode::FileError;
    }
    if (!request.json.isEmpty() && !writeJson(request.json, outcome.records)) {
        Terminal::note(QStringLiteral("cannot write ") + request.json);
        return ExitCode::FileError;
    }
    return ExitCode::Done;
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
    bool written = false;
    if (!request.output.isEmpty()) {
        written = json ? writeJson(request.output, records) : writeCsv(request.output, records);
    } else if (json) {
        written = Terminal::print(RecordJson::document(records));
    } else {
        QFile out;
        written = out.open(stdout, QIODevice::WriteOnly | QIODevice::Text) &&
                  CsvReport::write(out, records) && out.flush();
    }
    if (!written) {
        Terminal::note(QStringLiteral("cannot write ") +
                       (request.output.isEmpty() ? QStringLiteral("the output") : request.output));
        return ExitCode::FileError;
    }
    return VerdictLine::finish(request, records);
}
