#include "linksupervisor.h"

#include "protocol.h"

namespace legacy
{

SupervisorStep superviseLink(LegacyState &state)
{
    SupervisorStep step;
    if (state.portState != PortUsable) {
        step.stepPort = true;
        return step;
    }
    if (state.frameSeen == 1) {
        state.missTicks = 0;
        state.linkUp = 1;
    } else {
        ++state.missTicks;
    }
    if (state.missTicks > MaxMissTicks) {
        state.missTicks = 0;
        state.linkUp = 0;
        step.stepPort = true;
    }
    // A download keeps the link up on its own; its re-requests deal with silence.
    if (state.downloading == 0) {
        state.frameSeen = 0;
        if (state.linkUp == 0 && state.pendingCommand == NoCommand) {
            state.pendingCommand = protocol::Command::Probe;
            step.sendProbe = true;
        }
    }
    return step;
}

QByteArray doubledCommand(qint32 code)
{
    if (code < 0 || code > 0xFFFF)
        return {};
    const protocol::CommandFrame frame = protocol::buildCommand(static_cast<quint16>(code));
    const QByteArray once(reinterpret_cast<const char *>(frame.data()), int(frame.size()));
    return once + once;
}

qint16 nextPortNo(qint16 portNo)
{
    return portNo + 1 > 16 ? 1 : qint16(portNo + 1);
}

} // namespace legacy
