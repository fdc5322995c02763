#pragma once

#include "linkrules.h"
#include "portcatalogue.h"

#include <QList>
#include <QString>
#include <QStringList>

class InstrumentLink;

/// The outcome of looking for the instrument.
struct PortSearch {
    bool found = false;
    QString location;     ///< the port that answered
    QString shown;        ///< that port as the user names it
    QStringList failures; ///< one "PATH: why" for each port that did not
    bool permissionDenied = false;
};

namespace PortSearching
{

/// Probes a port named on the command line gets before it counts as silent: one byte of the
/// handshake lost on a noisy line must not end the run. A search of the catalogue asks each
/// port once, as the consoles do.
constexpr int NamedPortProbes = 4;

/// `port` alone when one is given (a relative path from the working directory), else the port
/// catalogue (TELVORO_EXTRA_PORTS first). With TELVORO_ONLY_EXTRA_PORTS=1 in the environment
/// the system's own ports are left out.
QList<PortEntry> portsToTry(const QString &port);

/// Opens each port in turn and probes it up to `probes` times; the first that answers stays
/// open on `link`. Stops early when a stop is requested.
PortSearch find(InstrumentLink &link, const QList<PortEntry> &ports, int probes = 1);

/// The instrument on `port` (probed up to NamedPortProbes times), or searched for in the
/// catalogue when `port` is empty.
PortSearch findInstrument(InstrumentLink &link, const QString &port);

/// Why nothing was found, for the user: each port's reason, and how to get access when a port
/// refused it.
QString failureText(const PortSearch &search);

} // namespace PortSearching
