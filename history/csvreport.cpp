#include "csvreport.h"

#include "historycell.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

bool write(QIODevice &device, const QList<HistoryRecord> &records)
{
    QTextStream out(&device);
    out.setEncoding(QStringConverter::Utf8);
    out.setGenerateByteOrderMark(true);
    out << headerLine() << '\n';
    for (const HistoryRecord &record : records)
        out << recordLine(record) << '\n';
    out.flush();
    return out.status() == QTextStream::Ok;
}

Result write(const QString &path, const QList<HistoryRecord> &records)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        // A device or a pipe cannot be replaced by renaming: it takes the lines as they come.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            return Result::OpenFailed;
        // A full disk or a vanished network share must not end in a report called a success.
        const bool written = write(file, records) && file.flush();
        file.close();
        return written && file.error() == QFileDevice::NoError ? Result::Written
                                                               : Result::WriteFailed;
    }

    // Written aside and renamed over the old report only when complete, so a failure leaves
    // that one as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return Result::OpenFailed;
    if (!write(file, records))
        file.cancelWriting();
    return file.commit() ? Result::Written : Result::WriteFailed;
}

} // namespace CsvReport
