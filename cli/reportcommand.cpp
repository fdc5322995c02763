// The report command: a history database into a PDF test report.
#include "commands.h"
#include "historyfile.h"
#include "reportpdf.h"
#include "terminal.h"

#include <QDate>
#include <QFileInfo>
#include <QSaveFile>

ExitCode runReport(const CliRequest &request)
{
    // Writing the report over its own database would replace the history with the PDF.
    const QFileInfo db(request.db);
    if (db.exists() && db.canonicalFilePath() == QFileInfo(request.output).canonicalFilePath()) {
        Terminal::note(
            QStringLiteral("cannot write %1: it is the history database").arg(request.output));
        return ExitCode::FileError;
    }
    QList<HistoryRecord> records;
    QString error;
    if (!HistoryFile::readRecords(request.db, &records, &error)) {
        Terminal::note(error);
        return ExitCode::FileError;
    }
    const QString family = ReportPdf::chineseFontFamily();
    if (family.isEmpty()) {
        Terminal::note(QStringLiteral("no font with Chinese characters is installed (Debian: "
                                      "apt install fonts-noto-cjk)"));
        return ExitCode::FileError;
    }

    ReportInfo info;
    info.title = request.title;
    info.site = request.site;
    info.testedBy = request.testedBy;
    info.date = QDate::currentDate().toString(Qt::ISODate);
    info.database = db.fileName();
    info.limitOhms = request.limitOhms;
    info.paper = request.letter ? QPageSize::Letter : QPageSize::A4;

    // The PDF replaces the file only once it is whole.
    QSaveFile out(request.output);
    if (!out.open(QIODevice::WriteOnly) || !ReportPdf::write(&out, info, records, family) ||
        !out.commit()) {
        Terminal::note(
            QStringLiteral("cannot write %1: %2").arg(request.output, out.errorString()));
        return ExitCode::FileError;
    }
    return ExitCode::Done;
}
