#include "reportsummary.h"

#include "ohms.h"
#include "protocol.h"

#include <QLocale>

#include <algorithm>

namespace ReportRules
{

double averageOhms(const HistoryRecord &record)
{
    return toOhms(record.avg_value, record.unit);
}

Verdict verdict(const HistoryRecord &record, std::optional<double> limitOhms)
{
    if (!limitOhms || isVoltageRecord(record.data_type))
        return Verdict::NotJudged;
    const double ohms = averageOhms(record);
    return protocol::isOverRange(ohms) || ohms >= *limitOhms ? Verdict::Fail : Verdict::Pass;
}

ReportSummary summarize(const QList<HistoryRecord> &records, std::optional<double> limitOhms)
{
    ReportSummary summary;
    summary.records = int(records.size());
    double sum = 0;
    int inRange = 0;
    for (const HistoryRecord &record : records) {
        if (isVoltageRecord(record.data_type)) {
            ++summary.voltageRecords;
            continue;
        }
        ++summary.resistanceRecords;
        const Verdict v = verdict(record, limitOhms);
        summary.passed += v == Verdict::Pass;
        summary.failed += v == Verdict::Fail;
        const double ohms = averageOhms(record);
        if (protocol::isOverRange(ohms)) {
            ++summary.overRange;
            continue;
        }
        summary.lowestOhms = std::min(summary.lowestOhms.value_or(ohms), ohms);
        summary.highestOhms = std::max(summary.highestOhms.value_or(ohms), ohms);
        sum += ohms;
        ++inRange;
    }
    if (inRange > 0)
        summary.meanOhms = sum / inRange;
    return summary;
}

QString limitText(double ohms)
{
    return QString::number(ohms, 'f', QLocale::FloatingPointShortest);
}

} // namespace ReportRules
