#include "instrumentmodel.h"

#include "recordgenerator.h"

#include <algorithm>

namespace sim
{

namespace
{

std::vector<std::uint8_t> bytesOf(const protocol::InstrumentFrame &frame)
{
    return {frame.begin(), frame.end()};
}

std::string describe(const Measurement &m)
{
    return "kind " + std::to_string(m.kind) + ", " + std::to_string(m.decimals) +
           " decimals, values " + std::to_string(m.a) + " " + std::to_string(m.b) + " " +
           std::to_string(m.c);
}

} // namespace

std::uint8_t modeByte(const Measurement &m)
{
    return std::uint8_t(((m.kind & 0x0F) << 4) | (m.decimals & 0x0F));
}

InstrumentModel::InstrumentModel(const ModelSettings &settings)
    : base_(settings.reading), current_(settings.reading),
      records_(generateRecords(settings.seed, settings.recordCount)), seed_(settings.seed),
      random_(settings.seed ^ 0x7E57ull), testTimeMs_(settings.testTimeMs),
      answerDoubled_(settings.answerDoubledCommands)
{
}

std::vector<Exchange> InstrumentModel::receive(const std::uint8_t *data, std::size_t size,
                                               std::int64_t nowMs)
{
    std::vector<Exchange> exchanges;
    for (const protocol::CommandCode code : parser_.feed(data, size))
        exchanges.push_back(handle(code, nowMs));
    return exchanges;
}

Exchange InstrumentModel::handle(protocol::CommandCode code, std::int64_t nowMs)
{
    advance(nowMs);
    const bool copy = !answerDoubled_ && !lastWasCopy_ && lastCode_ == code &&
                      nowMs - lastCodeMs_ <= DoubledCommandWindowMs;
    lastCode_ = code;
    lastCodeMs_ = nowMs;
    lastWasCopy_ = copy;
    if (copy)
        return {code, {}, "second copy of a doubled command: not answered"};
    return answer(code, nowMs);
}

Exchange InstrumentModel::answer(protocol::CommandCode code, std::int64_t nowMs)
{
    namespace C = protocol::Command;
    switch (code) {
    case C::Probe:
        return {code, bytesOf(protocol::HandshakeReply), "handshake reply"};
    case C::RequestReading:
        return {code, bytesOf(readingFrame()), "reading: " + describe(current_)};
    case C::RequestRecordCount: {
        const auto count = std::uint16_t(records_.size());
        return {code, bytesOf(protocol::buildFrame(0, 0, count, 0, 0, protocol::CountMarker)),
                std::to_string(count) + " records stored"};
    }
    case C::SingleTest:
        if (testDueMs_)
            return {code, {}, "test already running: ignored"};
        if (testTimeMs_ <= 0) {
            current_ = varied();
            return {code, {}, "test done: " + describe(current_)};
        }
        testDueMs_ = nowMs + testTimeMs_;
        return {code, {}, "test started, done in " + std::to_string(testTimeMs_) + " ms"};
    case C::LineResistanceCheck:
        ++leadChecks_;
        return {code, {}, "test-lead resistance check #" + std::to_string(leadChecks_)};
    case C::BacklightOn:
    case C::BacklightOff:
        backlight_ = code == C::BacklightOn;
        return {code, {}, backlight_ ? "backlight on" : "backlight off"};
    case C::BuzzerOn:
    case C::BuzzerOff:
        buzzer_ = code == C::BuzzerOn;
        return {code, {}, buzzer_ ? "buzzer on" : "buzzer off"};
    case C::ClearRecords: {
        const std::size_t erased = records_.size();
        records_.clear();
        return {code, {}, "records cleared (" + std::to_string(erased) + " erased)"};
    }
    default:
        break;
    }
    if (code >= 1 && std::size_t(code) <= records_.size())
        return {code, bytesOf(records_[code - 1u]), "record " + std::to_string(code)};
    return {code,
            {},
            "no record " + std::to_string(code) + " (" + std::to_string(records_.size()) +
                " stored): no answer"};
}

void InstrumentModel::startSession()
{
    parser_.dropPending();
    lastCode_.reset();
    lastWasCopy_ = false;
}

bool InstrumentModel::advance(std::int64_t nowMs)
{
    if (!testDueMs_ || nowMs < *testDueMs_)
        return false;
    testDueMs_.reset();
    current_ = varied();
    return true;
}

void InstrumentModel::setReading(const Measurement &reading)
{
    base_ = reading;
    current_ = reading;
}

protocol::InstrumentFrame InstrumentModel::readingFrame() const
{
    return protocol::buildFrame(modeByte(current_), current_.battery, current_.a, current_.b,
                                current_.c, protocol::ReadingMarker);
}

void InstrumentModel::setRecords(std::vector<protocol::InstrumentFrame> records)
{
    records_ = std::move(records);
    records_.resize(std::min<std::size_t>(records_.size(), MaxRecordCount));
}

void InstrumentModel::setRecordCount(int count)
{
    records_ = generateRecords(seed_, count);
}

Measurement InstrumentModel::varied()
{
    // A new test lands within about 2% of the configured values; over-range stays over range.
    const auto jitter = [this](std::uint16_t value) {
        if (value >= protocol::OverRangeRaw)
            return value;
        const int spread = std::max(1, value / 50);
        return std::uint16_t(std::clamp(value + random_.between(-spread, spread), 0, 9999));
    };
    Measurement m = base_;
    m.a = jitter(base_.a);
    m.b = jitter(base_.b);
    m.c = jitter(base_.c);
    const bool anyOverRange = std::max({base_.a, base_.b, base_.c}) >= protocol::OverRangeRaw;
    if (!anyOverRange && base_.c <= base_.a && base_.a <= base_.b) {
        m.b = std::max(m.b, m.a);
        m.c = std::min(m.c, m.a);
    }
    return m;
}

} // namespace sim
