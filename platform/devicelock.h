#pragma once

#include <QSerialPort>
#include <QString>

// One program at a time on a serial device, whatever name reaches it: the device itself, a
// symbolic link to it (/dev/serial/by-id/...) or another such link. Locks by name (lock files)
// tell those names apart; a lock on the open device does not.

namespace DeviceLock
{

/// Locks the device of the open `port` for this program until the port is closed. False, with
/// `error`, when another program holds the device; a device that cannot be locked at all is
/// taken as free.
bool lock(const QSerialPort &port, QString *error);

} // namespace DeviceLock
