#include "portsearch.h"

#include "clihints.h"
#include "instrumentlink.h"

namespace PortSearching
{

QList<PortEntry> portsToTry(const QString &port)
{
    if (!port.isEmpty())
        return {PortEntry{port, port, QString()}};
    if (qEnvironmentVariableIntValue("TELVORO_ONLY_EXTRA_PORTS") == 1)
        PortCatalogue::setSystemPortLister([] { return QList<PortEntry>{}; });
    return PortCatalogue::availablePorts();
}

PortSearch find(InstrumentLink &link, const QList<PortEntry> &ports)
{
    PortSearch search;
    for (const PortEntry &port : ports) {
        if (link.stopRequested())
            break;
        if (!link.open(port.systemLocation)) {
            search.failures << QStringLiteral("%1: cannot open (%2)")
                                   .arg(port.systemLocation, link.errorString());
            search.permissionDenied |= link.openError() == QSerialPort::PermissionError;
            continue;
        }
        if (link.probe(HandshakeTimeoutMs)) {
            search.found = true;
            search.location = port.systemLocation;
            return search;
        }
        search.failures << QStringLiteral("%1: %2").arg(
            port.systemLocation, link.isLost() ? QStringLiteral("lost (%1)").arg(link.lostReason())
                                               : QStringLiteral("no answer"));
        link.close();
    }
    return search;
}

QString failureText(const PortSearch &search)
{
    if (search.failures.isEmpty())
        return QStringLiteral("no serial port found");
    QString text =
        QStringLiteral("no instrument found: ") + search.failures.join(QStringLiteral("; "));
    if (search.permissionDenied)
        text += QLatin1Char('\n') + CliHints::portAccessHint();
    return text;
}

} // namespace PortSearching
