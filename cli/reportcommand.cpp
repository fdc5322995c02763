#include "reportcommand.h"

#include "clihints.h"
#include "commands.h"
#include "historyfile.h"
#include "outputfile.h"
#include "reportpdf.h"
#include "stopsignals.h"
#include "terminal.h"
#include "verdictline.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <cstdio>

namespace
{

ExitCode writeReport(const CliRequest &request)
{
    // A long report is drawn without an event loop: a stop is looked for between pages.
    bool stopped = false;
    const StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, [&stopped] { stopped = true; });
    const auto carryOn = [&stopped] {
        QCoreApplication::processEvents();
        return !stopped;
    };

    const bool toStdout = request.output.isEmpty();
    QList<HistoryRecord> records;
    QString error;
    if ((!toStdout && !HistoryFile::checkApart(request.db, request.output, &error)) ||
        !VerdictLine::checkTarget(request, &error) ||
        !HistoryFile::readRecords(request.db, &records, &error)) {
        Terminal::note(error);
        return ExitCode::FileError;
    }
    const QString family = ReportPdf::chineseFontFamily();
    if (family.isEmpty()) {
        Terminal::note(QStringLiteral("no font with Chinese characters is installed (%1)")
                           .arg(CliHints::chineseFontHint()));
        return ExitCode::FileError;
    }

    ReportInfo info;
    info.title = request.title;
    info.site = request.site;
    info.testedBy = request.testedBy;
    info.date = QDate::currentDate().toString(Qt::ISODate);
    info.database = QFileInfo(request.db).fileName();
    info.limitOhms = request.limitOhms;
    info.paper = request.letter ? QPageSize::Letter : QPageSize::A4;

    ReportPdf::Outcome outcome = ReportPdf::Outcome::Failed;
    const auto draw = [&](QIODevice &out) {
        outcome = ReportPdf::write(&out, info, records, family, carryOn);
        return outcome == ReportPdf::Outcome::Written;
    };
    bool written = false;
    if (!carryOn()) {
        outcome = ReportPdf::Outcome::Stopped;
    } else if (toStdout) {
        QFile out;
        written = out.open(stdout, QIODevice::WriteOnly) && draw(out) && out.flush();
        error = out.errorString();
    } else {
        written =
            OutputFile::write(request.output, {}, draw, &error) == OutputFile::Result::Written;
    }
    const QString target = toStdout ? QStringLiteral("standard output") : request.output;
    switch (outcome) {
    case ReportPdf::Outcome::Stopped:
        return interrupted(toStdout ? QStringLiteral("interrupted: the report is not whole")
                                    : QStringLiteral("interrupted: no report was written"));
    case ReportPdf::Outcome::FirstPageTooLong:
        Terminal::note(QStringLiteral("the title, site and operator do not fit on the first "
                                      "page; shorten them"));
        return ExitCode::Usage;
    default:
        break;
    }
    if (!written) {
        Terminal::note(QStringLiteral("cannot write %1: %2").arg(target, error));
        return ExitCode::FileError;
    }
    return VerdictLine::finish(request, records);
}

} // namespace

ExitCode runReport(int &argc, char **argv, const CliRequest &request)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", CliHints::headlessPlatform());
    // Quiet on success: the platform's notes (no runtime directory...) are not the user's
    // business; the report's own failures are reported with their exit status.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    const QGuiApplication app(argc, argv);
    return writeReport(request);
}
