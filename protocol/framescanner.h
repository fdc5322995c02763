#pragma once

// Cuts the modern console's receive stream into checked instrument frames and decides who gets
// each one. Pure functions of byte ranges and flags, so they can be tested and fuzzed alone.

#include "protocol.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace protocol
{

/// Before the link is up, the receive buffer is dropped once it holds more than this many bytes.
constexpr std::size_t HandshakeBufferLimit = 200;

/// One step of the 11-byte window over the front of a receive buffer.
struct ScanStep {
    std::size_t consumed = 0;             ///< bytes to remove from the front of the buffer
    std::optional<InstrumentFrame> frame; ///< the checked frame those bytes end with, if any
};

/// Slides the window over `size` bytes from their start, one byte at a time, until a window
/// passes the frame check. Without one, `consumed` drops every byte that can no longer start a
/// frame, so at most 10 bytes remain to wait for the rest of the stream.
ScanStep takeFrame(const std::uint8_t *data, std::size_t size);

/// Hands every checked frame of `data`, in order, to `onFrame(const InstrumentFrame &)`, which
/// returns false to stop. The callback runs before the next window is checked, so whatever it
/// changes (the dispatch flags) already applies to the next frame. Returns the bytes consumed.
template <typename OnFrame>
std::size_t scanFrames(const std::uint8_t *data, std::size_t size, OnFrame &&onFrame)
{
    std::size_t consumed = 0;
    for (;;) {
        const ScanStep step = takeFrame(data + consumed, size - consumed);
        consumed += step.consumed;
        if (!step.frame || !onFrame(*step.frame))
            return consumed;
    }
}

/// Outcome of searching the bytes received while a port is probed.
struct HandshakeSearch {
    bool found = false;      ///< `HandshakeReply` occurs somewhere in the bytes
    std::size_t discard = 0; ///< not found: bytes to drop from the front of the buffer
};

/// Looks for `HandshakeReply` at any position (no frame alignment, no checksum). Past
/// `HandshakeBufferLimit` bytes without it the buffer is dropped, except for its last 10 bytes,
/// which may be the start of a reply whose rest is still on the line.
HandshakeSearch searchHandshake(const std::uint8_t *data, std::size_t size);

/// The console's state that decides who consumes a good frame.
struct DispatchState {
    bool awaitingHistoryCount = false;
    bool isSyncingHistory = false;
    int historyIndex = 1; ///< the record number being downloaded
};

enum class FrameRoute { HistoryCount, HistoryRecord, Reading, Ignore };

/// Who consumes a checked frame. A download only takes the answer it asked for: while the count
/// is awaited only a count frame (marker E0 00), while records are fetched only the frame whose
/// marker is the record asked for; any other frame meanwhile (a reading already on its way) is
/// ignored. Otherwise frames with byte 8 in C0..DF are readings.
FrameRoute routeFrame(const std::uint8_t *frame, const DispatchState &state);

} // namespace protocol
