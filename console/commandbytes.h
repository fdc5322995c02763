#pragma once

#include "protocol.h"

#include <QByteArray>

/// The 4 bytes of a command, ready for QSerialPort::write.
inline QByteArray commandBytes(protocol::CommandCode code)
{
    const protocol::CommandFrame frame = protocol::buildCommand(code);
    return QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
}
