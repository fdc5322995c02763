#pragma once

// The instrument's stored records fetched over a link by the modern console's rules: the count
// first, then record 1, 2, ... each asked for once the one before has arrived; an answer that
// does not come within its time is asked for again a few times. The records are kept in memory:
// whatever they go into is written only once the download has ended. A download can go on
// where an earlier one stopped.

#include "historyrecord.h"

#include <QList>

#include <functional>
#include <optional>

class InstrumentLink;

struct DownloadOutcome {
    enum class End { Completed, NoAnswer, LinkLost, Stopped };
    End end = End::Completed;
    int total = -1;   ///< the count the instrument announced; -1 when it never came
    int received = 0; ///< records 1..received have arrived; a stopped download stopped at the next
    /// The records received that hold a measurement; the others are skipped, as the console
    /// skips them.
    QList<HistoryRecord> records;

    /// Records received without a measurement.
    int skipped() const { return received - int(records.size()); }
};

/// Called after the count and after every record: records received so far, and the count.
using DownloadProgress = std::function<void(int done, int total)>;

/// Asks how many records the instrument holds; nothing, with `why`, when the count never came.
std::optional<int> askRecordCount(InstrumentLink &link, DownloadOutcome::End *why);

/// Asks for records `download.received` + 1 to `download.total` in turn and adds them to
/// `download`, until the last has arrived or one does not come (`end` tells why).
void fetchRecords(InstrumentLink &link, DownloadOutcome &download,
                  const DownloadProgress &progress);
