#pragma once

// Reads a fuzz input from the front: control bytes and payload interleaved, so a seed file can
// be written by hand as "operation, its bytes, operation, ...". An exhausted input reads zeros.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

class FuzzInput
{
public:
    FuzzInput(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::size_t remaining() const { return size_ - pos_; }

    std::uint8_t byte() { return empty() ? 0 : data_[pos_++]; }

    std::uint16_t word()
    {
        const std::uint16_t high = byte();
        return std::uint16_t(high << 8 | byte());
    }

    /// Up to `wanted` bytes; `count` receives how many there were.
    const std::uint8_t *take(std::size_t wanted, std::size_t &count)
    {
        count = std::min(wanted, remaining());
        const std::uint8_t *start = data_ + pos_;
        pos_ += count;
        return start;
    }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

/// A broken invariant: say which and stop, so libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
