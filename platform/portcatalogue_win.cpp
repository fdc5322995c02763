#include "portcatalogue.h"

namespace PortCatalogue
{

// A Windows path holds ':' ("C:\..."), never ';'.
QChar extraPortSeparator()
{
    return u';';
}

// Windows gives each port a fixed number; the system's list would renumber them by what is
// plugged in. Windows numbers its ports up to COM256.
QList<PortEntry> numberedPorts()
{
    QList<PortEntry> ports = extraPorts();
    for (int number = 1; number <= 256; ++number) {
        const QString name = QStringLiteral("COM%1").arg(number);
        ports.append({name, name, QString()});
    }
    return ports;
}

// The device path of a port is "\\.\COM3": the operator knows the port as "COM3".
QString shownName(const PortEntry &port)
{
    return port.portName;
}

} // namespace PortCatalogue
