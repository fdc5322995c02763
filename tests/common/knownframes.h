#pragma once

// Instrument frames with known meaning, taken from the protocol's documented exchanges.
// Shared by the protocol tests, the console tests and the fuzzers' seed corpora.

#include <array>
#include <cstdint>

namespace knownframes
{

using Frame = std::array<std::uint8_t, 11>;

// Earth resistance in ohms, two decimals: avg 12.34, max 13.00, min 12.00.
constexpr Frame ReadingOhms = {0x12, 0x00, 0x04, 0xD2, 0x05, 0x14, 0x04, 0xB0, 0xC0, 0x00, 0x75};
// Over range in all three values.
constexpr Frame ReadingOverRange = {0x11, 0x00, 0x27, 0x10, 0x27, 0x10,
                                    0x27, 0x10, 0xC0, 0x00, 0x76};
// The instrument stores 5 records.
constexpr Frame CountFive = {0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x00, 0xE5};
// Record 3: kilo-ohms, one decimal, avg 12.3, max 15.0, min 10.0, battery low.
constexpr Frame RecordThreeKiloOhms = {0x31, 0x01, 0x00, 0x7B, 0x00, 0x96,
                                       0x00, 0x64, 0x00, 0x03, 0xAA};
// The answer to a probe.
constexpr Frame Handshake = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xA4};

} // namespace knownframes
