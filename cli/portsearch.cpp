#include "portsearch.h"

#include "instrumentlink.h"
#include "portpath.h"

namespace PortSearching
{

QList<PortEntry> portsToTry(const QString &port)
{
    if (!port.isEmpty()) {
        const QString path = PortPath::fromUser(port);
        return {PortEntry{path, path, QString()}};
    }
    if (qEnvironmentVariableIntValue("TELVORO_ONLY_EXTRA_PORTS") == 1)
        PortCatalogue::setSystemPortLister([] { return QList<PortEntry>{}; });
    return PortCatalogue::availablePorts();
}

PortSearch find(InstrumentLink &link, const QList<PortEntry> &ports, int probes)
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
        for (int probe = 0; probe < probes && !link.isLost() && !link.stopRequested(); ++probe) {
            if (link.probe(HandshakeTimeoutMs)) {
                search.found = true;
                search.location = port.systemLocation;
                return search;
            }
        }
        const QString silence = probes == 1 ? QStringLiteral("no answer")
                                            : QStringLiteral("no answer to %1 probes").arg(probes);
        search.failures << QStringLiteral("%1: %2").arg(
            port.systemLocation,
            link.isLost() ? QStringLiteral("lost (%1)").arg(link.lostReason()) : silence);
        link.close();
    }
    return search;
}

PortSearch findInstrument(InstrumentLink &link, const QString &port)
{
    return find(link, portsToTry(port), port.isEmpty() ? 1 : NamedPortProbes);
}

QString failureText(const PortSearch &search)
{
    if (search.failures.isEmpty())
        return QStringLiteral("no serial port found");
    QString text =
        QStringLiteral("no instrument found: ") + search.failures.join(QStringLiteral("; "));
    if (search.permissionDenied)
        text += QStringLiteral("\nA port refused access: either another program holds it, or "
                               "your user may not use serial ports. Add it to the dialout group "
                               "(sudo usermod -aG dialout $USER) and log in again.");
    return text;
}

} // namespace PortSearching
