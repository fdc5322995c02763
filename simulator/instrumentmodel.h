#pragma once

#include "commandparser.h"
#include "protocol.h"
#include "simrandom.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim
{

/// One measurement as the instrument reports it in a reading frame.
struct Measurement {
    int kind = 1;     ///< high nibble of the mode byte
    int decimals = 2; ///< low nibble of the mode byte
    std::uint16_t a = 1234;
    std::uint16_t b = 1300;
    std::uint16_t c = 1200;
    std::uint8_t battery = 0;
};

struct ModelSettings {
    Measurement reading;
    int recordCount = 5;
    std::uint64_t seed = 1;
    int testTimeMs = 3000;
    bool answerDoubledCommands = false;
};

/// What the instrument did with one received command.
struct Exchange {
    protocol::CommandCode code = 0;
    std::vector<std::uint8_t> reply; ///< bytes to send; empty when there is no answer
    std::string note;                ///< what happened, for the log
};

/// The instrument without any I/O: bytes in, replies out. Time is passed in by the caller
/// (milliseconds on any monotonic clock), so tests drive it without waiting.
class InstrumentModel
{
public:
    /// The legacy console writes every command twice back to back; a copy that follows within
    /// this time counts as the same command.
    static constexpr std::int64_t DoubledCommandWindowMs = 50;

    explicit InstrumentModel(const ModelSettings &settings = {});

    /// Feeds received bytes; returns one exchange per command they complete, in order.
    std::vector<Exchange> receive(const std::uint8_t *data, std::size_t size, std::int64_t nowMs);

    /// Handles one command that arrived at `nowMs`.
    Exchange handle(protocol::CommandCode code, std::int64_t nowMs);

    /// A client has (re)opened the line: half a command from before is forgotten, and a command
    /// that repeats the last one is not a doubled copy.
    void startSession();

    /// Finishes a running test once its time has come; true when the reading changed.
    bool advance(std::int64_t nowMs);

    /// When the running test finishes; nothing when no test runs.
    std::optional<std::int64_t> testDueMs() const { return testDueMs_; }

    /// The reading the next RequestReading reports (a test still running is not applied).
    const Measurement &reading() const { return current_; }
    /// Sets the reading and the values later tests vary around.
    void setReading(const Measurement &reading);
    protocol::InstrumentFrame readingFrame() const;

    /// Stored records; record N at index N-1, served exactly as stored.
    const std::vector<protocol::InstrumentFrame> &records() const { return records_; }
    void setRecords(std::vector<protocol::InstrumentFrame> records);
    /// Replaces the records with records 1..count generated from the seed.
    void setRecordCount(int count);

    void setTestTimeMs(int ms) { testTimeMs_ = ms; }
    void setAnswerDoubledCommands(bool answer) { answerDoubled_ = answer; }

    bool backlightOn() const { return backlight_; }
    bool buzzerOn() const { return buzzer_; }
    int leadChecks() const { return leadChecks_; }
    bool testRunning() const { return testDueMs_.has_value(); }
    const CommandParser &parser() const { return parser_; }

private:
    Exchange answer(protocol::CommandCode code, std::int64_t nowMs);
    Measurement varied();

    CommandParser parser_;
    Measurement base_;
    Measurement current_;
    std::vector<protocol::InstrumentFrame> records_;
    std::uint64_t seed_;
    Random random_;
    int testTimeMs_;
    bool answerDoubled_;
    std::optional<std::int64_t> testDueMs_;
    std::optional<protocol::CommandCode> lastCode_;
    std::int64_t lastCodeMs_ = 0;
    bool lastWasCopy_ = false;
    bool backlight_ = false;
    bool buzzer_ = false;
    int leadChecks_ = 0;
};

/// The mode byte of a measurement: kind in the high nibble, decimals in the low one.
std::uint8_t modeByte(const Measurement &m);

} // namespace sim
