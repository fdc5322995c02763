#include "stopsignals.h"

#include <QWinEventNotifier>

#include <windows.h>

namespace
{

// Windows calls the handler on a thread of its own: it only sets this event, which the
// notifier hands to the event loop; no Qt object is touched there. The event lives as long as
// the process, so a handler still running after the last instance went cannot reach a closed
// handle.
HANDLE stopEvent()
{
    static const HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

BOOL WINAPI onConsoleEvent(DWORD type)
{
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        ::SetEvent(stopEvent());
        return TRUE;
    case CTRL_CLOSE_EVENT:
        // Windows ends the process as soon as this returns (or after about 5 s): waiting here
        // gives the command that time to end cleanly; its own exit ends this thread too.
        ::SetEvent(stopEvent());
        ::Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    const HANDLE event = stopEvent();
    if (!event)
        return;
    // A request left over from an earlier command is not this one's.
    ::ResetEvent(event);
    auto *notifier = new QWinEventNotifier(event, this);
    connect(notifier, &QWinEventNotifier::activated, this, &StopSignals::stopRequested);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals()
{
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}
