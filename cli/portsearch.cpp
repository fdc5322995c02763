#include "portsearch.h"

#include "clihints.h"
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
        // Named as the user knows the port (COM3 on Windows, the device path elsewhere).
        const QString shown = PortCatalogue::shownName(port);
        if (!link.open(port.systemLocation)) {
            search.failures
                << QStringLiteral("%1: cannot open (%2)").arg(shown, link.errorString());
            search.permissionDenied |= link.openError() == QSerialPort::PermissionError;
            continue;
        }
        for (int probe = 0; probe < probes && !link.isLost() && !link.stopRequested(); ++probe) {
            if (link.probe(HandshakeTimeoutMs)) {
                search.found = true;
                search.location = port.systemLocation;
                search.shown = shown;
                return search;
            }
        }
        const QString silence = probes == 1 ? QStringLiteral("no answer")
                                            : QStringLiteral("no answer to %1 probes").arg(probes);
        search.failures << QStringLiteral("%1: %2").arg(
            shown, link.isLost() ? QStringLiteral("lost (%1)").arg(link.lostReason()) : silence);
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
        text += QLatin1Char('\n') + CliHints::portAccessHint();
    return text;
}

} // namespace PortSearching
