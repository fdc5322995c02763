#include "linescheduler.h"

#include <algorithm>

namespace sim
{

namespace
{

// Pause between the pieces of a split reply, long enough that they leave as separate writes.
constexpr int MinGapUs = 1000;
constexpr int MaxGapUs = 4000;

} // namespace

void LineScheduler::send(const std::vector<std::uint8_t> &reply, std::int64_t readyNs,
                         const LineSettings &settings)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::size_t(std::max(0, settings.noiseBytes)) + reply.size());
    for (int i = 0; i < settings.noiseBytes; ++i)
        bytes.push_back(std::uint8_t(random_.below(256)));
    bytes.insert(bytes.end(), reply.begin(), reply.end());
    if (!reply.empty() && random_.chance(settings.damageReplyProbability)) {
        const std::size_t at =
            bytes.size() - reply.size() + random_.below(std::uint32_t(reply.size()));
        bytes[at] ^= std::uint8_t(random_.between(1, 255));
    }

    // Each byte is ready once the bytes before it have gone; paced, it then takes its time on
    // the line, reckoned from the start of the run it belongs to.
    std::int64_t ready = std::max(readyNs, lineFreeNs_);
    int pieceLeft = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (settings.maxChunk > 0 && pieceLeft == 0) {
            if (i > 0)
                ready = lineFreeNs_ + std::int64_t(random_.between(MinGapUs, MaxGapUs)) * 1000;
            pieceLeft = random_.between(1, settings.maxChunk);
        }
        --pieceLeft;
        lineFreeNs_ = settings.paced ? clock_.cross(ready) : ready;
        // A dropped byte still took its time on the line.
        if (random_.chance(settings.dropProbability))
            continue;
        std::uint8_t value = bytes[i];
        if (random_.chance(settings.corruptProbability))
            value ^= std::uint8_t(random_.between(1, 255));
        queue_.push_back({lineFreeNs_, value});
    }
}

std::vector<std::uint8_t> LineScheduler::takeDue(std::int64_t nowNs)
{
    std::vector<std::uint8_t> due;
    while (!queue_.empty() && queue_.front().dueNs <= nowNs) {
        due.push_back(queue_.front().value);
        queue_.pop_front();
    }
    return due;
}

std::optional<std::int64_t> LineScheduler::nextDueNs() const
{
    if (queue_.empty())
        return std::nullopt;
    return queue_.front().dueNs;
}

} // namespace sim
