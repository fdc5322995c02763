#include "portcatalogue.h"

#include <QSerialPortInfo>
#include <QtGlobal>

namespace PortCatalogue {

QList<PortEntry> parseExtraPorts(const QString &value)
{
#ifdef Q_OS_WIN
    const QChar separator = u';';
#else
    const QChar separator = u':';
#endif
    QList<PortEntry> ports;
    for (const QString &path : value.split(separator, Qt::SkipEmptyParts))
        ports.append({path, path, QString()});
    return ports;
}

QList<PortEntry> availablePorts()
{
    QList<PortEntry> ports = parseExtraPorts(qEnvironmentVariable("TELVORO_EXTRA_PORTS"));
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.portName(), info.systemLocation(), info.description()});
    return ports;
}

} // namespace PortCatalogue
