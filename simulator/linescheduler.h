#pragma once

#include "lineclock.h"
#include "simrandom.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace sim
{

/// How replies travel on the line, faults included.
struct LineSettings {
    bool paced = true;               ///< each byte takes its ten bits at 4800 baud, as on the line
    int noiseBytes = 0;              ///< garbage bytes sent before each reply
    int maxChunk = 0;                ///< 0: replies go whole; else pieces of 1..maxChunk bytes
    double dropProbability = 0.0;    ///< per byte sent
    double corruptProbability = 0.0; ///< per byte sent
    /// Per reply: one byte of it (never more) is changed, so the frame check always catches
    /// the damage, where two damaged bytes of one frame can cancel out in its checksum.
    double damageReplyProbability = 0.0;
};

/// Decides which bytes leave the instrument when. Pure: the caller supplies the clock
/// (nanoseconds) and writes what `takeDue` hands back.
class LineScheduler
{
public:
    explicit LineScheduler(std::uint64_t seed) : random_(seed) {}

    /// Queues a reply that is ready at `readyNs`, after the bytes already queued. Paced, its
    /// k-th byte is due once it has crossed the line: k byte times after the reply starts.
    void send(const std::vector<std::uint8_t> &reply, std::int64_t readyNs,
              const LineSettings &settings);

    /// Removes and returns the bytes due by `nowNs`, in order.
    std::vector<std::uint8_t> takeDue(std::int64_t nowNs);

    /// When the next queued byte is due; nothing when the queue is empty.
    std::optional<std::int64_t> nextDueNs() const;

    bool idle() const { return queue_.empty(); }
    void clear() { queue_.clear(); }

private:
    struct QueuedByte {
        std::int64_t dueNs;
        std::uint8_t value;
    };

    std::deque<QueuedByte> queue_;
    std::int64_t lineFreeNs_ = 0; ///< when the last queued byte is due, paced or not
    LineClock clock_;
    Random random_;
};

} // namespace sim
