#include "portcatalogue.h"

#include "portpath.h"

#include <QSerialPortInfo>
#include <QtGlobal>

namespace PortCatalogue
{

namespace
{

std::function<QList<PortEntry>()> &systemLister()
{
    static std::function<QList<PortEntry>()> lister;
    return lister;
}

QList<PortEntry> systemPorts()
{
    if (systemLister())
        return systemLister()();
    QList<PortEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.portName(), info.systemLocation(), info.description()});
    return ports;
}

} // namespace

void setSystemPortLister(std::function<QList<PortEntry>()> lister)
{
    systemLister() = std::move(lister);
}

QList<PortEntry> parseExtraPorts(const QString &value)
{
    QList<PortEntry> ports;
    for (const QString &entry : value.split(extraPortSeparator(), Qt::SkipEmptyParts)) {
        const QString path = PortPath::fromUser(entry);
        ports.append({path, path, QString()});
    }
    return ports;
}

QList<PortEntry> extraPorts()
{
    return parseExtraPorts(qEnvironmentVariable("TELVORO_EXTRA_PORTS"));
}

QList<PortEntry> availablePorts()
{
    return extraPorts() + systemPorts();
}

} // namespace PortCatalogue
