#pragma once

// The instrument's stored records fetched over a link by the modern console's rules: the count
// first, then record 1, 2, ... each asked for once the one before has arrived; an answer that
// does not come within its time is asked for again a few times. The records are kept in memory:
// whatever they go into is written only once the download is complete.

#include "historyrecord.h"

#include <QList>

#include <functional>

class InstrumentLink;

struct DownloadOutcome {
    enum class End { Completed, NoAnswer, LinkLost, Stopped };
    End end = End::Completed;
    int total = -1;    ///< the count the instrument announced; -1 when it never came
    int stoppedAt = 0; ///< the record that did not arrive
    /// The stored records so far (kinds without a measurement are skipped, as the console does).
    QList<HistoryRecord> records;
};

/// Called after the count and after every record: records received so far, and the count.
using DownloadProgress = std::function<void(int done, int total)>;

DownloadOutcome downloadRecords(InstrumentLink &link, const DownloadProgress &progress);
