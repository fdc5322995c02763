#pragma once

// The download of the instrument's stored records, the one rule every program that fetches
// them follows: the record count first, then record 1, 2, ... each asked for once the one
// before has arrived; an answer that does not come within its time is asked for again a few
// times before the download gives up. Each step below takes what happened (an answer, a
// time-out, a stop, a lost link) and returns what the caller must do about it; nothing here
// sends, stores or waits, so the console's timers and the command line's waits drive the same
// rule.

#include "framescanner.h"
#include "historyrecord.h"
#include "protocol.h"

#include <cstdint>
#include <optional>

/// Milliseconds to wait for the answer to one request.
constexpr int HistoryAnswerTimeoutMs = 1000;
/// Requests sent again after the first went unanswered.
constexpr int HistoryMaxRetries = 3;

/// Where a download stands: the flags and the record number the frame dispatch routes by, the
/// announced count and the re-requests of the answer awaited now. After a download has ended,
/// `historyTotal` and `historyIndex` still tell where it got to.
struct DownloadState : protocol::DispatchState {
    int historyTotal = 0;
    int historyRetries = 0;
};

/// What an earlier download already holds: records 1..received of the `total` the instrument
/// announced then.
struct DownloadResume {
    int received = 0;
    int total = -1;
};

/// Worth telling whoever watches the download.
enum class DownloadNote {
    Counted,     ///< the count came: `historyTotal` records
    NoRecords,   ///< the count came and is 0
    CountRetry,  ///< the count is asked for again (`historyRetries` of HistoryMaxRetries)
    RecordRetry, ///< record `historyIndex` is asked for again
};

enum class DownloadEnd {
    Completed, ///< every record has arrived
    NoAnswer,  ///< an answer did not come, however often it was asked for
    LinkLost,
    Stopped, ///< the caller ended it
};

/// What the caller must do after one step, in this order. The next request goes out before the
/// record that came is stored: storing may wait for the disk longer than the line needs for a
/// whole exchange, and this way the two overlap instead of adding up. When `send` cannot be
/// sent, the caller still stores and shows the progress, then reports linkFailed (or stop)
/// instead of waiting.
struct DownloadStep {
    std::optional<DownloadNote> note;          ///< say this
    std::optional<protocol::CommandCode> send; ///< send this request, pushed to the line
    bool countAsked = false;                   ///< once sent: say that the count is asked for
    std::optional<HistoryRecord> store;        ///< store this record
    std::optional<int> progress;               ///< records received so far, of `historyTotal`
    bool wait = false; ///< wait HistoryAnswerTimeoutMs for the answer, then report timedOut
    std::optional<DownloadEnd> end; ///< the download is over
    int stoppedAt = 0; ///< an early end: the record awaited then; 0 while the count was
};

namespace HistoryDownload
{

/// True while the count or the records are asked for.
bool running(const DownloadState &state);

/// True for a checked frame the download awaits now: the count, or the record asked for.
/// Any other frame (a reading already on its way) is not an answer.
bool awaits(const DownloadState &state, const std::uint8_t *frame);

/// Starts a download, unless one runs: the count is asked for.
DownloadStep start(DownloadState &state);

/// A checked frame arrived. The count starts the records at 1, or after those `resume` holds
/// when the instrument still announces their count; each record is stored unless it holds no
/// measurement, and the next is asked for. A frame not awaited changes nothing.
DownloadStep frameArrived(DownloadState &state, const std::uint8_t *frame,
                          const DownloadResume &resume = {});

/// The answer awaited did not come in time: asked for again, until HistoryMaxRetries
/// re-requests have gone unanswered too.
DownloadStep timedOut(DownloadState &state);

/// The caller ends the download: a stop was asked for, or it cannot keep what comes.
DownloadStep stop(DownloadState &state);

/// The link is gone.
DownloadStep linkFailed(DownloadState &state);

} // namespace HistoryDownload
