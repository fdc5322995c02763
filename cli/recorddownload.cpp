#include "recorddownload.h"

#include "instrumentlink.h"

#include <optional>

namespace
{

/// A stop request ends the download whatever else went wrong.
DownloadStep interrupted(const InstrumentLink &link, DownloadState &state)
{
    return link.stopRequested() ? HistoryDownload::stop(state) : HistoryDownload::linkFailed(state);
}

} // namespace

DownloadOutcome downloadRecords(InstrumentLink &link, const DownloadOutcome &kept,
                                const DownloadCounted &counted, const DownloadProgress &progress)
{
    const DownloadResume resume{kept.received, kept.total};
    DownloadState state;
    DownloadOutcome download;
    DownloadStep step = HistoryDownload::start(state);
    for (;;) {
        const bool sent = !step.send || link.send(*step.send);
        if (step.store)
            download.records << *step.store;
        if (step.progress) {
            download.received = *step.progress;
            progress(download.received, download.total);
        }
        if (!sent) {
            step = interrupted(link, state);
            continue;
        }
        if (step.end) {
            download.end = *step.end;
            return download;
        }

        // Every other step of a running download waits for the answer to what it sent.
        const std::optional<protocol::InstrumentFrame> frame = link.waitForFrame(
            [&state](const protocol::InstrumentFrame &f) {
                return HistoryDownload::awaits(state, f.data());
            },
            HistoryAnswerTimeoutMs);
        if (!frame) {
            step = link.stopRequested() || link.isLost() ? interrupted(link, state)
                                                         : HistoryDownload::timedOut(state);
            continue;
        }
        const bool counting = state.awaitingHistoryCount;
        step = HistoryDownload::frameArrived(state, frame->data(), resume);
        if (counting) {
            // The records before the first one asked for are those kept.
            if (state.historyIndex > 1)
                download = kept;
            download.total = state.historyTotal;
            counted(download);
        }
    }
}
