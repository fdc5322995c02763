#pragma once

// Wire protocol of the earth resistance tester, shared by both consoles.
// Pure functions of const buffers; no Qt, so fuzzers and the simulator can use it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace protocol {

using CommandCode = std::uint16_t;

/// Named command codes. `RequestRecord` has no fixed code: the code is the record number.
namespace Command {
constexpr CommandCode RequestReading = 60000;
constexpr CommandCode SingleTest = 61111;
constexpr CommandCode BuzzerOff = 63300;
constexpr CommandCode BuzzerOn = 63311;
constexpr CommandCode RequestRecordCount = 63333;
constexpr CommandCode LineResistanceCheck = 63344;
constexpr CommandCode BacklightOff = 64400;
constexpr CommandCode BacklightOn = 64411;
constexpr CommandCode Probe = 64422;
constexpr CommandCode ClearRecords = 64444;
} // namespace Command

constexpr CommandCode RequestRecord(std::uint16_t recordNumber) { return recordNumber; }

constexpr std::size_t CommandSize = 4;
constexpr std::size_t FrameSize = 11;
constexpr std::uint8_t CommandPrefix0 = 0x64;
constexpr std::uint8_t CommandPrefix1 = 0x65;

using CommandFrame = std::array<std::uint8_t, CommandSize>;
using InstrumentFrame = std::array<std::uint8_t, FrameSize>;

constexpr std::uint16_t ReadingMarker = 0xC000;
constexpr std::uint16_t CountMarker = 0xE000;
constexpr std::uint16_t OverRangeRaw = 10000;
/// The modern console's decoded over-range value; anything at or above it shows as "OL".
constexpr double OverRangeValue = 999999.0;

constexpr InstrumentFrame HandshakeReply = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA,
                                            0xAA, 0xAA, 0xAA, 0xAA, 0xA4};

enum class Value { A, B, C };

struct ModeByte {
    int kind = 0;     ///< high nibble: measurement kind 0..15
    int decimals = 0; ///< low nibble: decimal places n 0..15
};

/// Modern console reading of a measurement kind. Texts are UTF-8.
struct KindInfo {
    const char *text;
    const char *unit;
};

/// A frame's three values as the modern console decodes them.
struct ModernValues {
    double avg = 0; ///< value A (for voltages: the value itself; negated for kind 5)
    double max = 0; ///< value B
    double min = 0; ///< value C
};

/// The 4 bytes 64 65 HI LO of a command.
CommandFrame buildCommand(CommandCode code);

/// True when `bytes` (at least 4) is a command frame; `code` receives its code.
bool parseCommand(const std::uint8_t *bytes, CommandCode &code);

/// Sum of bytes 0..9 modulo 256.
std::uint8_t checksum(const std::uint8_t *frame);

/// True when byte 10 equals the checksum of bytes 0..9. `frame` holds 11 bytes.
bool checkFrame(const std::uint8_t *frame);

ModeByte splitMode(std::uint8_t modeByte);

std::uint16_t readValue(const std::uint8_t *frame, Value which);
std::uint16_t readMarker(const std::uint8_t *frame);

/// Builds a frame with a correct checksum (for instruments, simulators and tests).
InstrumentFrame buildFrame(std::uint8_t modeByte, std::uint8_t battery, std::uint16_t a,
                           std::uint16_t b, std::uint16_t c, std::uint16_t marker);

/// Modern console: `OverRangeValue` for raw 10000, else raw / 10^decimals.
double decodeValue(std::uint16_t raw, int decimals);

/// Modern console: values A, B, C decoded with the frame's decimals; kind 5 negates A unless
/// it is over range.
ModernValues decodeModernValues(const std::uint8_t *frame);

/// Modern console: kind text and unit, or nothing for kinds 0 and 6..15.
std::optional<KindInfo> describeKind(int kind);

/// Modern console: a decoded value at or above `OverRangeValue` is over range.
constexpr bool isOverRange(double value) { return value >= OverRangeValue; }

/// Modern console: the top three bits of byte 8 are 110 (byte 8 in C0..DF).
bool isModernReadingFrame(const std::uint8_t *frame);

/// Legacy console: the marker is C0 00 exactly.
bool isLegacyReadingFrame(const std::uint8_t *frame);

/// Legacy console: the marker is E0 00.
bool isLegacyCountFrame(const std::uint8_t *frame);

/// True when the 11 bytes equal `HandshakeReply`.
bool isHandshakeReply(const std::uint8_t *frame);

} // namespace protocol
