#pragma once

#include <QString>

// Port names as people give them (an option, an environment variable) to the device they mean.

namespace PortPath
{

/// The device `name` stands for. Where ports are files (Unix), a relative path is taken from
/// the working directory, as every other path is, rather than from /dev as QSerialPort would
/// take it; on Windows a port is a name such as COM3 and stays as it is.
QString fromUser(const QString &name);

} // namespace PortPath
