#include "portopening.h"

#include <QSignalBlocker>

namespace
{

// Linux raises both lines when a port opens. Windows does not: Qt leaves DTR as the driver had
// it, and without flow control it lowers RTS. So they are raised here, on every system alike.
void raiseControlLines(QSerialPort &port)
{
    // A line without modem-control lines (a pseudo-terminal, or a COM port Wine maps onto one)
    // refuses; that is no fault of the link and must not be reported as one: whether the line
    // works shows in what it carries.
    const QSignalBlocker quiet(port);
    const bool dtr = port.setDataTerminalReady(true);
    const bool rts = port.setRequestToSend(true);
    if (!dtr || !rts)
        port.clearError();
}

void setLine(QSerialPort &port, const LineSettings &settings)
{
    port.setBaudRate(settings.baudRate);
    port.setDataBits(settings.dataBits);
    port.setParity(settings.parity);
    port.setStopBits(settings.stopBits);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

} // namespace

void applyLineSettings(QSerialPort &port, const LineSettings &settings)
{
    setLine(port, settings);
    if (port.isOpen())
        raiseControlLines(port);
}

bool openSerialLine(QSerialPort &port, const LineSettings &settings)
{
    setLine(port, settings);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    raiseControlLines(port);
    return true;
}
