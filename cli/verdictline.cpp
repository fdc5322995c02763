#include "verdictline.h"

#include "commands.h"
#include "historyfile.h"
#include "outputfile.h"
#include "reportsummary.h"
#include "terminal.h"

#include <QStringList>

namespace VerdictLine
{

QString json(const QList<HistoryRecord> &records, double limitOhms)
{
    const ReportSummary summary = ReportRules::summarize(records, limitOhms);
    QStringList failed;
    for (const HistoryRecord &record : records) {
        if (ReportRules::verdict(record, limitOhms) == Verdict::Fail)
            failed << QString::number(record.record_index);
    }
    const int judged = summary.passed + summary.failed;
    const QString verdict = summary.failed > 0 ? QStringLiteral("fail")
                            : judged > 0       ? QStringLiteral("pass")
                                               : QStringLiteral("none");
    return QStringLiteral("{\"limit_ohms\":%1,\"records\":%2,\"judged\":%3,\"passed\":%4,"
                          "\"failed\":%5,\"over_range\":%6,\"failed_records\":[%7],"
                          "\"verdict\":\"%8\"}")
        .arg(ReportRules::limitText(limitOhms))
        .arg(summary.records)
        .arg(judged)
        .arg(summary.passed)
        .arg(summary.failed)
        .arg(summary.overRange)
        .arg(failed.join(QLatin1Char(',')), verdict);
}

bool checkTarget(const CliRequest &request, QString *error)
{
    if (request.verdict.isEmpty() || request.verdict == QLatin1String("-"))
        return true;
    if (!HistoryFile::checkApart(request.db, request.verdict, error))
        return false;
    if (!request.output.isEmpty() && OutputFile::sameFile(request.output, request.verdict)) {
        *error = QStringLiteral("cannot write the verdict to %1: it is the %2 output")
                     .arg(request.verdict, request.command == CliRequest::Command::Report
                                               ? QStringLiteral("report's")
                                               : QStringLiteral("export's"));
        return false;
    }
    return true;
}

ExitCode finish(const CliRequest &request, const QList<HistoryRecord> &records)
{
    if (request.verdict.isEmpty() || !request.limitOhms)
        return ExitCode::Done;
    QString error;
    if (!checkTarget(request, &error)) {
        Terminal::note(error);
        return ExitCode::FileError;
    }
    const QString line = json(records, *request.limitOhms);
    if (request.verdict == QLatin1String("-")) {
        if (!printResult(line))
            return ExitCode::FileError;
    } else {
        const QByteArray bytes = line.toUtf8() + '\n';
        const auto write = [&bytes](QIODevice &file) { return file.write(bytes) == bytes.size(); };
        if (OutputFile::write(request.verdict, {}, write, &error) != OutputFile::Result::Written) {
            Terminal::note(QStringLiteral("cannot write %1: %2").arg(request.verdict, error));
            return ExitCode::FileError;
        }
    }
    return ReportRules::summarize(records, request.limitOhms).failed > 0 ? ExitCode::RecordFailed
                                                                         : ExitCode::Done;
}

} // namespace VerdictLine
