#include "historydownload.h"

namespace
{

DownloadStep ask(protocol::CommandCode request)
{
    DownloadStep step;
    step.send = request;
    step.wait = true;
    return step;
}

DownloadStep endEarly(DownloadState &state, DownloadEnd why)
{
    DownloadStep step;
    if (!HistoryDownload::running(state))
        return step;
    step.end = why;
    step.stoppedAt = state.isSyncingHistory ? state.historyIndex : 0;
    state.awaitingHistoryCount = false;
    state.isSyncingHistory = false;
    return step;
}

DownloadStep countArrived(DownloadState &state, int count, const DownloadResume &resume)
{
    state.awaitingHistoryCount = false;
    state.historyTotal = count;
    state.historyRetries = 0;
    // What an earlier download kept belongs to these records only while the instrument still
    // holds as many.
    const bool resumed = resume.received > 0 && resume.total == count;
    state.historyIndex = resumed ? resume.received + 1 : 1;

    DownloadStep step;
    step.note = count == 0 ? DownloadNote::NoRecords : DownloadNote::Counted;
    step.progress = state.historyIndex - 1;
    if (state.historyIndex > count) {
        step.end = DownloadEnd::Completed;
        return step;
    }
    state.isSyncingHistory = true;
    step.send = protocol::RequestRecord(std::uint16_t(state.historyIndex));
    step.wait = true;
    return step;
}

DownloadStep recordArrived(DownloadState &state, const std::uint8_t *frame)
{
    const int number = state.historyIndex;
    state.historyRetries = 0;
    ++state.historyIndex;

    DownloadStep step;
    step.store = decodeHistoryRecord(frame, number);
    step.progress = number;
    if (number >= state.historyTotal) {
        state.isSyncingHistory = false;
        step.end = DownloadEnd::Completed;
        return step;
    }
    step.send = protocol::RequestRecord(std::uint16_t(state.historyIndex));
    step.wait = true;
    return step;
}

} // namespace

namespace HistoryDownload
{

bool running(const DownloadState &state)
{
    return state.awaitingHistoryCount || state.isSyncingHistory;
}

bool awaits(const DownloadState &state, const std::uint8_t *frame)
{
    const protocol::FrameRoute route = protocol::routeFrame(frame, state);
    return route == protocol::FrameRoute::HistoryCount ||
           route == protocol::FrameRoute::HistoryRecord;
}

DownloadStep start(DownloadState &state)
{
    if (running(state))
        return {};
    state.awaitingHistoryCount = true;
    state.historyRetries = 0;
    DownloadStep step = ask(protocol::Command::RequestRecordCount);
    step.countAsked = true;
    return step;
}

DownloadStep frameArrived(DownloadState &state, const std::uint8_t *frame,
                          const DownloadResume &resume)
{
    switch (protocol::routeFrame(frame, state)) {
    case protocol::FrameRoute::HistoryCount:
        return countArrived(state, protocol::readValue(frame, protocol::Value::A), resume);
    case protocol::FrameRoute::HistoryRecord:
        return recordArrived(state, frame);
    case protocol::FrameRoute::Reading:
    case protocol::FrameRoute::Ignore:
        break;
    }
    return {};
}

DownloadStep timedOut(DownloadState &state)
{
    if (!running(state))
        return {};
    if (state.historyRetries >= HistoryMaxRetries)
        return endEarly(state, DownloadEnd::NoAnswer);
    ++state.historyRetries;
    if (state.awaitingHistoryCount) {
        DownloadStep step = ask(protocol::Command::RequestRecordCount);
        step.note = DownloadNote::CountRetry;
        return step;
    }
    DownloadStep step = ask(protocol::RequestRecord(std::uint16_t(state.historyIndex)));
    step.note = DownloadNote::RecordRetry;
    return step;
}

DownloadStep stop(DownloadState &state)
{
    return endEarly(state, DownloadEnd::Stopped);
}

DownloadStep linkFailed(DownloadState &state)
{
    return endEarly(state, DownloadEnd::LinkLost);
}

} // namespace HistoryDownload
