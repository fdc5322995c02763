#pragma once

// "Nothing more was sent" checked without sleeping: the window's port carries its writes in
// order, so once a marker written last has reached the instrument, so has everything the
// window wrote before it.

#include "commandbytes.h"
#include "mainwindowprobe.h"
#include "ptyinstrument.h"

#include <QSerialPort>
#include <QtTest>

/// A command the window never sends by itself in the tests that use the marker, and that the
/// instrument does not answer.
constexpr quint16 SentMarker = protocol::Command::BacklightOff;

/// Writes SentMarker on the window's port and waits until `instrument` has heard it; false when
/// it could not be written or never arrived.
inline bool markerHeard(MainWindow &w, PtyInstrument &instrument)
{
    if (MainWindowProbe::serialPort(w)->write(commandBytes(SentMarker)) !=
        qint64(protocol::CommandSize))
        return false;
    return QTest::qWaitFor([&] { return instrument.receivedCommands().contains(SentMarker); },
                           10000);
}
