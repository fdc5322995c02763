#include "serialdrain.h"

#include <QSerialPort>
#include <QThread>

#include <sys/ioctl.h>

namespace
{

// Bytes the driver still holds for the line; 0 where the system cannot tell.
qint64 driverOutputQueue(const QSerialPort &port)
{
#ifdef TIOCOUTQ
    int queued = 0;
    return ::ioctl(port.handle(), TIOCOUTQ, &queued) == 0 ? queued : 0;
#else
    Q_UNUSED(port);
    return 0;
#endif
}

} // namespace

void waitUntilSent(const QSerialPort &port, const QDeadlineTimer &deadline)
{
    while (driverOutputQueue(port) > 0 && !deadline.hasExpired())
        QThread::msleep(1);
}
