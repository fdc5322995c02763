#include "csvreport.h"

#include "historycell.h"

#include <QDateTime>
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
    return OutputFile::write(path, QIODevice::Text,
                             [&records](QIODevice &file) { return write(file, records); });
}

} // namespace CsvReport
