#pragma once

#include "protocol.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim
{

/// Splits the bytes an instrument receives into commands (64 65 HI LO). A byte that cannot
/// start a command is skipped on its own, so the parser falls back into step after noise or a
/// lost byte. No I/O and no Qt: fuzzers call it directly.
class CommandParser
{
public:
    /// Appends received bytes; returns the commands they complete, in order.
    std::vector<protocol::CommandCode> feed(const std::uint8_t *data, std::size_t size);

    /// Bytes skipped so far because they could not start a command.
    std::size_t skippedBytes() const { return skipped_; }

    /// Bytes held as the start of a command not yet complete (0 to 3).
    std::size_t pendingBytes() const { return pending_.size(); }

    /// Forgets the start of a command not yet complete.
    void dropPending() { pending_.clear(); }

private:
    std::vector<std::uint8_t> pending_;
    std::size_t skipped_ = 0;
};

} // namespace sim
