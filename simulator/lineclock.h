#pragma once

#include <cstdint>
#include <limits>

namespace sim
{

/// When the `k`-th of bytes sent back to back from `startNs` has fully crossed the 4800-baud
/// line (8N1: ten bits a byte), counting from 1: start + k × 10/4800 s, rounded up to the
/// nanosecond so that no byte is ever early. Reckoned from the start, never from the byte
/// before, so that the rounding does not add up over a long run.
constexpr std::int64_t byteDoneNs(std::int64_t startNs, std::int64_t k)
{
    // 10/4800 s is 6 250 000/3 ns.
    return startNs + (k * 6'250'000 + 2) / 3;
}

/// One direction of the line. Bytes that follow each other without a pause form one run,
/// timed from the run's start; a byte that finds the line idle starts a new run.
class LineClock
{
public:
    /// A byte that is ready to go at `readyNs` goes once the line is free: when it has fully
    /// crossed.
    std::int64_t cross(std::int64_t readyNs)
    {
        if (readyNs > freeNs_) {
            startNs_ = readyNs;
            sent_ = 0;
        }
        freeNs_ = byteDoneNs(startNs_, ++sent_);
        return freeNs_;
    }

private:
    std::int64_t startNs_ = 0;
    std::int64_t sent_ = 0;
    std::int64_t freeNs_ = std::numeric_limits<std::int64_t>::min();
};

} // namespace sim
