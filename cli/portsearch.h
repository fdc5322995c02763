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
    QStringList failures; ///< one "PATH: why" for each port that did not
    bool permissionDenied = false;
};

namespace PortSearching
{

/// `port` alone when one is given, else the port catalogue (TELVORO_EXTRA_PORTS first). With
/// TELVORO_ONLY_EXTRA_PORTS=1 in the environment the system's own ports are left out.
QList<PortEntry> portsToTry(const QString &port);

/// Opens and probes each port in turn; the first that answers stays open on `link`. Stops early
/// when a stop is requested.
PortSearch find(InstrumentLink &link, const QList<PortEntry> &ports);

/// Why nothing was found, for the user: each port's reason, and how to get access when a port
/// refused it.
QString failureText(const PortSearch &search);

} // namespace PortSearching
