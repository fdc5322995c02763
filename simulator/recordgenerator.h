#pragma once

#include "protocol.h"

#include <cstdint>
#include <vector>

namespace sim
{

/// Highest record count the simulator stores: record numbers share the code space with the
/// named commands, which start at 60000.
constexpr int MaxRecordCount = 59999;

/// Record `number` of an instrument whose records were made from `seed`: earth resistance in
/// ohms and kilo-ohms mostly, a few AC and DC voltages, one or two decimals, a low battery now
/// and then and some over-range values. Record N depends only on the seed and N, so it does not
/// change with the record count. The marker is N.
protocol::InstrumentFrame generateRecord(std::uint64_t seed, std::uint16_t number);

/// Records 1..count (clamped to 0..MaxRecordCount); record N at index N-1.
std::vector<protocol::InstrumentFrame> generateRecords(std::uint64_t seed, int count);

} // namespace sim
