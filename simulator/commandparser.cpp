#include "commandparser.h"

namespace sim
{

namespace
{

bool couldStartCommand(const std::vector<std::uint8_t> &bytes)
{
    return bytes[0] == protocol::CommandPrefix0 &&
           (bytes.size() < 2 || bytes[1] == protocol::CommandPrefix1);
}

} // namespace

std::vector<protocol::CommandCode> CommandParser::feed(const std::uint8_t *data, std::size_t size)
{
    std::vector<protocol::CommandCode> commands;
    for (std::size_t i = 0; i < size; ++i) {
        pending_.push_back(data[i]);
        while (!pending_.empty() && !couldStartCommand(pending_)) {
            pending_.erase(pending_.begin());
            ++skipped_;
        }
        if (pending_.size() == protocol::CommandSize) {
            protocol::CommandCode code = 0;
            protocol::parseCommand(pending_.data(), code);
            commands.push_back(code);
            pending_.clear();
        }
    }
    return commands;
}

} // namespace sim
