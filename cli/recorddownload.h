#pragma once

// The instrument's stored records fetched over a link by the download rule the console follows
// too (historydownload.h), its waits run here in turn. The records are kept in memory:
// whatever they go into is written only once the download has ended. A download can go on
// where an earlier one stopped.

#include "historydownload.h"
#include "historyrecord.h"

#include <QList>

#include <functional>

class InstrumentLink;

struct DownloadOutcome {
    using End = DownloadEnd;
    End end = End::Completed;
    int total = -1;   ///< the count the instrument announced; -1 when it never came
    int received = 0; ///< records 1..received have arrived; a stopped download stopped at the next
    /// The records received that hold a measurement; the others are skipped, as the console
    /// skips them.
    QList<HistoryRecord> records;

    /// Records received without a measurement.
    int skipped() const { return received - int(records.size()); }
};

/// Called once the count has come, with what the download goes on from: nothing received, or
/// `kept` when the instrument still holds its count.
using DownloadCounted = std::function<void(const DownloadOutcome &download)>;
/// Called after the count and after every record: records received so far, and the count.
using DownloadProgress = std::function<void(int done, int total)>;

/// Asks for the count, then for each record the download does not hold yet, until the last has
/// arrived or one does not come (`end` tells why). `kept`: records an earlier download
/// received, taken up when the instrument still announces their count.
DownloadOutcome downloadRecords(InstrumentLink &link, const DownloadOutcome &kept,
                                const DownloadCounted &counted, const DownloadProgress &progress);
