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
#ifdef Q_OS_WIN
    const QChar separator = u';';
#else
    const QChar separator = u':';
#endif
    QList<PortEntry> ports;
    for (const QString &entry : value.split(separator, Qt::SkipEmptyParts)) {
        const QString path = PortPath::fromUser(entry);
        ports.append({path, path, QString()});
    }
    return ports;
}

QList<PortEntry> availablePorts()
{
    return parseExtraPorts(qEnvironmentVariable("TELVORO_EXTRA_PORTS")) + systemPorts();
}

} // namespace PortCatalogue
