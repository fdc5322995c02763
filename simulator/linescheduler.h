#pragma once

#include "simrandom.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace sim
{

/// One byte at 4800 baud, 8N1: ten bits, about 2.08 ms.
constexpr std::int64_t ByteTimeUs = 2083;

/// How replies travel on the line, faults included.
struct LineSettings {
    bool paced = true;               ///< each byte takes ByteTimeUs, as on the real line
    int noiseBytes = 0;              ///< garbage bytes sent before each reply
    int maxChunk = 0;                ///< 0: replies go whole; else pieces of 1..maxChunk bytes
    double dropProbability = 0.0;    ///< per byte sent
    double corruptProbability = 0.0; ///< per byte sent
    /// Per reply: one byte of it (never more) is changed, so the frame check always catches
    /// the damage, where two damaged bytes of one frame can cancel out in its checksum.
    double damageReplyProbability = 0.0;
};

/// Decides which bytes leave the instrument when. Pure: the caller supplies the clock
/// (microseconds) and writes what `takeDue` hands back.
class LineScheduler
{
public:
    explicit LineScheduler(std::uint64_t seed) : random_(seed) {}

    /// Queues a reply that is ready at `nowUs`, after the bytes already queued.
    void send(const std::vector<std::uint8_t> &reply, std::int64_t nowUs,
              const LineSettings &settings);

    /// Removes and returns the bytes due by `nowUs`, in order.
    std::vector<std::uint8_t> takeDue(std::int64_t nowUs);

    /// When the next queued byte is due; nothing when the queue is empty.
    std::optional<std::int64_t> nextDueUs() const;

    bool idle() const { return queue_.empty(); }
    void clear() { queue_.clear(); }

private:
    struct QueuedByte {
        std::int64_t dueUs;
        std::uint8_t value;
    };

    std::deque<QueuedByte> queue_;
    std::int64_t lineFreeUs_ = 0;
    Random random_;
};

/// The instrument's receiving side. A console writes a command at once, but its bytes reach
/// the instrument one byte time apart, each after the one before; this direction runs
/// independently of the replies (full duplex).
class ReceiveClock
{
public:
    /// When a byte the console wrote at `writtenUs` has fully arrived.
    std::int64_t arrive(std::int64_t writtenUs)
    {
        freeUs_ = std::max(writtenUs, freeUs_) + ByteTimeUs;
        return freeUs_;
    }

private:
    std::int64_t freeUs_ = 0;
};

} // namespace sim
