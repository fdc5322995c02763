#include "portcatalogue.h"

namespace PortCatalogue
{

QChar extraPortSeparator()
{
    return u':';
}

QList<PortEntry> numberedPorts()
{
    return availablePorts();
}

QString shownName(const PortEntry &port)
{
    return port.systemLocation;
}

} // namespace PortCatalogue
