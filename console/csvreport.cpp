#include "csvreport.h"

#include "historycell.h"

#include <QDateTime>
#include <QFile>
#include <QStringConverter>
#include <QTextStream>

namespace CsvReport
{

QString headerLine()
{
    return HistoryCells::headers().join(QLatin1Char(','));
}

QString recordLine(const HistoryRecord &record)
{
    return HistoryCells::rowTexts(record).join(QLatin1Char(','));
}

QString suggestedFileName(const QDateTime &localTime)
{
    return QStringLiteral("接地电阻测试报告_") +
           localTime.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".csv");
}

Result write(const QString &path, const QList<HistoryRecord> &records)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return Result::OpenFailed;

    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out.setGenerateByteOrderMark(true);
    out << headerLine() << '\n';
    for (const HistoryRecord &record : records)
        out << recordLine(record) << '\n';
    out.flush();
    // A full disk or a vanished network share must not end in a report called a success.
    const bool written = out.status() == QTextStream::Ok && file.error() == QFileDevice::NoError;
    file.close();
    return written && file.error() == QFileDevice::NoError ? Result::Written : Result::WriteFailed;
}

} // namespace CsvReport
