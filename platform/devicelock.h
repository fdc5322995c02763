#pragma once

#include <QString>
#include <QtGlobal>

// One program at a time on a serial device, whatever name reaches it: the device itself, a
// symbolic link to it (/dev/serial/by-id/...) or another such link. Locks by name (lock files)
// tell those names apart; a lock on the open device does not.

namespace DeviceLock
{

/// Locks the device behind `handle` (QSerialPort::handle() of an open port) for this program
/// until the handle is closed. False, with `error`, when another program holds the device; a
/// device that cannot be locked at all is taken as free.
bool lock(qintptr handle, QString *error);

} // namespace DeviceLock
