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

DownloadOutcome downloadRecords(InstrumentLink &link, const DownloadProgress &progress)
{
    DownloadOutcome outcome;
    protocol::DispatchState state;
    state.awaitingHistoryCount = true;
    const auto count =
        ask(link, protocol::Command::RequestRecordCount, state, protocol::FrameRoute::HistoryCount);
    if (!count) {
        outcome.end = whyNot(link);
        return outcome;
    }
    outcome.total = protocol::readValue(count->data(), protocol::Value::A);
    progress(0, outcome.total);

    state.awaitingHistoryCount = false;
    state.isSyncingHistory = true;
    for (int index = 1; index <= outcome.total; ++index) {
        state.historyIndex = index;
        const auto frame = ask(link, protocol::RequestRecord(std::uint16_t(index)), state,
                               protocol::FrameRoute::HistoryRecord);
        if (!frame) {
            outcome.end = whyNot(link);
            outcome.stoppedAt = index;
            return outcome;
        }
        if (const std::optional<HistoryRecord> record = decodeHistoryRecord(frame->data(), index))
            outcome.records << *record;
        progress(index, outcome.total);
    }
    return outcome;
}
