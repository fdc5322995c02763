#include "devicelock.h"

#include <cerrno>
#include <sys/file.h>

namespace DeviceLock
{

bool lock(const QSerialPort &port, QString *error)
{
    // flock() locks the open device's inode, which every name of it shares. Advisory only, but
    // it holds for root too, whom the terminal's own exclusive mode (TIOCEXCL) lets through.
    if (::flock(port.handle(), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
        return true;
    *error = QStringLiteral("another program is using it");
    return false;
}

} // namespace DeviceLock
