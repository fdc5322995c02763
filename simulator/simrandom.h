#pragma once

#include <cstdint>

namespace sim
{

/// Small deterministic generator (splitmix64). The standard distributions differ between
/// library implementations; this one gives the same records and faults for a seed everywhere.
class Random
{
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    /// Uniform in [0, bound); bound must be positive.
    std::uint32_t below(std::uint32_t bound) { return std::uint32_t(next() % bound); }

    /// Uniform in [low, high].
    int between(int low, int high) { return low + int(below(std::uint32_t(high - low + 1))); }

    /// True with probability p.
    bool chance(double p) { return p > 0.0 && double(next() >> 11) * 0x1.0p-53 < p; }

private:
    std::uint64_t state_;
};

} // namespace sim
