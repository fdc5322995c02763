#pragma once

#include "protocol.h"

#include <string>

namespace sim
{

/// The command's name for logs: "Probe", "SingleTest", ..., "RequestRecord 7".
std::string commandName(protocol::CommandCode code);

} // namespace sim
