#pragma once

#include "legacystate.h"

#include <QByteArray>

namespace legacy
{

/// `portState` after an open attempt that was not rejected for an invalid port number.
constexpr qint16 PortUsable = 100;
/// Supervision ticks without an accepted frame after which the search moves on.
constexpr int MaxMissTicks = 6;

/// What one link-supervision tick asks the form to do, in this order.
struct SupervisorStep {
    bool stepPort = false;  ///< `com_st`: move to the next port
    bool sendProbe = false; ///< `pendingCommand` holds the probe: send it
};

/// One tick of the link supervisor on the state: counts silent ticks, raises or drops
/// `linkUp`, and decides the port step and the probe.
SupervisorStep superviseLink(LegacyState &state);

/// The bytes `sendPendingCommand` writes for `code`: the command frame twice. Empty when the
/// code is not a 16-bit command (the empty mailbox).
QByteArray doubledCommand(qint32 code);

/// The port number after `portNo`: 1..16, wrapping to 1.
qint16 nextPortNo(qint16 portNo);

} // namespace legacy
