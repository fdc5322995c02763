#pragma once

// What a test report concludes from a history: the figures of its summary and each record's
// verdict against a limit. No painting here, so the rules are tested on their own.

#include "historyrecord.h"

#include <QList>
#include <QString>

#include <optional>

/// A record's verdict; voltage records are listed but never judged.
enum class Verdict { NotJudged, Pass, Fail };

/// The report's summary of a history.
struct ReportSummary {
    int records = 0;
    int resistanceRecords = 0;
    int voltageRecords = 0;
    int overRange = 0; ///< resistance records whose average is over range
    /// Lowest, highest and mean average in ohms of the resistance records within range; empty
    /// when there are none.
    std::optional<double> lowestOhms;
    std::optional<double> highestOhms;
    std::optional<double> meanOhms;
    int passed = 0; ///< with a limit only
    int failed = 0;
};

namespace ReportRules
{

/// A resistance record's average in ohms (kΩ converted); over range stays over range.
double averageOhms(const HistoryRecord &record);

/// Fails when the average in ohms is at least `limitOhms` or over range; no limit, no verdict.
Verdict verdict(const HistoryRecord &record, std::optional<double> limitOhms);

ReportSummary summarize(const QList<HistoryRecord> &records, std::optional<double> limitOhms);

/// A limit as the user gave it, in plain digits however large: "4", "0.5", "1000000". A limit
/// is no reading, so it never reads "OL".
QString limitText(double ohms);

} // namespace ReportRules
