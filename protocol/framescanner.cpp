#include "framescanner.h"

#include <algorithm>

namespace protocol
{

ScanStep takeFrame(const std::uint8_t *data, std::size_t size)
{
    std::size_t offset = 0;
    for (; offset + FrameSize <= size; ++offset) {
        if (checkFrame(data + offset)) {
            ScanStep step;
            step.consumed = offset + FrameSize;
            step.frame.emplace();
            std::copy_n(data + offset, FrameSize, step.frame->begin());
            return step;
        }
    }
    return {offset, std::nullopt};
}

HandshakeSearch searchHandshake(const std::uint8_t *data, std::size_t size)
{
    if (std::search(data, data + size, HandshakeReply.begin(), HandshakeReply.end()) != data + size)
        return {true, 0};
    if (size > HandshakeBufferLimit)
        return {false, size - (FrameSize - 1)};
    return {false, 0};
}

FrameRoute routeFrame(const std::uint8_t *frame, const DispatchState &state)
{
    const std::uint16_t marker = readMarker(frame);
    if (state.awaitingHistoryCount)
        return marker == CountMarker ? FrameRoute::HistoryCount : FrameRoute::Ignore;
    if (state.isSyncingHistory)
        return int(marker) == state.historyIndex ? FrameRoute::HistoryRecord : FrameRoute::Ignore;
    return isModernReadingFrame(frame) ? FrameRoute::Reading : FrameRoute::Ignore;
}

} // namespace protocol
