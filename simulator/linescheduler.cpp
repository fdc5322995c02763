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

void LineScheduler::send(const std::vector<std::uint8_t> &reply, std::int64_t nowUs,
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

    std::int64_t t = std::max(nowUs, lineFreeUs_);
    int pieceLeft = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (settings.maxChunk > 0 && pieceLeft == 0) {
            if (i > 0)
                t += random_.between(MinGapUs, MaxGapUs);
            pieceLeft = random_.between(1, settings.maxChunk);
        }
        --pieceLeft;
        if (settings.paced)
            t += ByteTimeUs;
        // A dropped byte still took its time on the line.
        if (random_.chance(settings.dropProbability))
            continue;
        std::uint8_t value = bytes[i];
        if (random_.chance(settings.corruptProbability))
            value ^= std::uint8_t(random_.between(1, 255));
        queue_.push_back({t, value});
    }
    lineFreeUs_ = t;
}

std::vector<std::uint8_t> LineScheduler::takeDue(std::int64_t nowUs)
{
    std::vector<std::uint8_t> due;
    while (!queue_.empty() && queue_.front().dueUs <= nowUs) {
        due.push_back(queue_.front().value);
        queue_.pop_front();
    }
    return due;
}

std::optional<std::int64_t> LineScheduler::nextDueUs() const
{
    if (queue_.empty())
        return std::nullopt;
    return queue_.front().dueUs;
}

} // namespace sim
