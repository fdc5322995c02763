#include "recorddownload.h"

#include "framescanner.h"
#include "historydownload.h"
#include "instrumentlink.h"

#include <optional>

namespace
{

/// Sends `code` and waits for the frame the dispatch `state` routes to `wanted`, asking again
/// after each time-out; nothing when it never came or the link ended.
std::optional<protocol::InstrumentFrame> ask(InstrumentLink &link, protocol::CommandCode code,
                                             const protocol::DispatchState &state,
                                             protocol::FrameRoute wanted)
{
    const auto accept = [&state, wanted](const protocol::InstrumentFrame &frame) {
        return protocol::routeFrame(frame.data(), state) == wanted;
    };
    for (int attempt = 0; attempt <= HistoryMaxRetries; ++attempt) {
        if (!link.send(code))
            return std::nullopt;
        if (const auto frame = link.waitForFrame(accept, HistoryAnswerTimeoutMs))
            return frame;
        if (link.isLost() || link.stopRequested())
            return std::nullopt;
    }
    return std::nullopt;
}

DownloadOutcome::End whyNot(const InstrumentLink &link)
{
    if (link.stopRequested())
        return DownloadOutcome::End::Stopped;
    return link.isLost() ? DownloadOutcome::End::LinkLost : DownloadOutcome::End::NoAnswer;
}

} // namespace

std::optional<int> askRecordCount(InstrumentLink &link, DownloadOutcome::End *why)
{
    protocol::DispatchState state;
    state.awaitingHistoryCount = true;
    const auto count =
        ask(link, protocol::Command::RequestRecordCount, state, protocol::FrameRoute::HistoryCount);
    if (!count) {
        *why = whyNot(link);
        return std::nullopt;
    }
    return protocol::readValue(count->data(), protocol::Value::A);
}

void fetchRecords(InstrumentLink &link, DownloadOutcome &download, const DownloadProgress &progress)
{
    protocol::DispatchState state;
    state.isSyncingHistory = true;
    progress(download.received, download.total);
    for (int index = download.received + 1; index <= download.total; ++index) {
        state.historyIndex = index;
        const auto frame = ask(link, protocol::RequestRecord(std::uint16_t(index)), state,
                               protocol::FrameRoute::HistoryRecord);
        if (!frame) {
            download.end = whyNot(link);
            return;
        }
        if (const std::optional<HistoryRecord> record = decodeHistoryRecord(frame->data(), index))
            download.records << *record;
        download.received = index;
        progress(index, download.total);
    }
    download.end = DownloadOutcome::End::Completed;
}
