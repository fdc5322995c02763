// The report command: a history database into a PDF test report.
#include "clihints.h"
#include "commands.h"
#include "historyfile.h"
#include "outputfile.h"
#include "reportpdf.h"
#include "terminal.h"

#include <QDate>
#include <QFileInfo>

ExitCode runReport(const CliRequest &request)
{
    QList<HistoryRecord> records;
    QString error;
    if (!HistoryFile::checkApart(request.db, request.output, &error) ||
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

    const auto draw = [&](QIODevice &out) { return ReportPdf::write(&out, info, records, family); };
    if (OutputFile::write(request.output, {}, draw, &error) != OutputFile::Result::Written) {
        Terminal::note(QStringLiteral("cannot write %1: %2").arg(request.output, error));
        return ExitCode::FileError;
    }
    return ExitCode::Done;
}
