#include "recordgenerator.h"

#include "simrandom.h"

#include <algorithm>

namespace sim
{

namespace
{

int pickKind(Random &random)
{
    const int roll = random.between(0, 9);
    if (roll < 5)
        return 1; // earth resistance in ohms
    if (roll < 8)
        return 3;                                // earth resistance in kilo-ohms
    return roll == 8 ? 2 : random.between(4, 5); // AC, DC or negative DC voltage
}

} // namespace

protocol::InstrumentFrame generateRecord(std::uint64_t seed, std::uint16_t number)
{
    Random random(seed * 0x100000001B3ull + number);
    random.next();

    const int kind = pickKind(random);
    const int decimals = random.between(1, 2);
    const bool resistance = kind == 1 || kind == 3;
    const int top = resistance ? 4000 : 2500;
    const int avg = random.between(5, top);
    const int spread = std::max(1, avg / 10);
    int max = std::min(9999, avg + random.between(0, spread));
    int min = std::max(0, avg - random.between(0, spread));
    int a = avg;

    const int overRange = random.between(0, 9);
    if (overRange == 0) {
        a = max = min = protocol::OverRangeRaw;
    } else if (overRange == 1) {
        max = protocol::OverRangeRaw; // one value out of range while the others are not
    }

    const std::uint8_t battery = random.between(0, 5) == 0 ? 0x01 : 0x00;
    const auto mode = std::uint8_t((kind << 4) | decimals);
    return protocol::buildFrame(mode, battery, std::uint16_t(a), std::uint16_t(max),
                                std::uint16_t(min), number);
}

std::vector<protocol::InstrumentFrame> generateRecords(std::uint64_t seed, int count)
{
    count = std::clamp(count, 0, MaxRecordCount);
    std::vector<protocol::InstrumentFrame> records;
    records.reserve(std::size_t(count));
    for (int n = 1; n <= count; ++n)
        records.push_back(generateRecord(seed, std::uint16_t(n)));
    return records;
}

} // namespace sim
