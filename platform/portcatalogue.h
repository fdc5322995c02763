#pragma once

#include <QList>
#include <QString>

#include <functional>

/// One serial port a console may try.
struct PortEntry {
    QString portName;       ///< what the operator sees and what QSerialPort::setPortName takes
    QString systemLocation; ///< device path
    QString description;
};

/// Lists the serial ports the consoles try: first the device paths in TELVORO_EXTRA_PORTS
/// (separated by `extraPortSeparator()`) in their order, relative ones taken from the working
/// directory, then the system's ports in its order.
/// Pseudo-terminals never appear in the system list, so this is how simulators reach us.
namespace PortCatalogue
{
QList<PortEntry> availablePorts();

/// The extra ports alone, parsed from a TELVORO_EXTRA_PORTS value.
QList<PortEntry> parseExtraPorts(const QString &value);

/// The extra ports of this process's TELVORO_EXTRA_PORTS.
QList<PortEntry> extraPorts();

/// ':' between the extra ports; ';' on Windows, where ':' is part of a path.
QChar extraPortSeparator();

/// Replaces the system's port list (tests use it so no real port is ever opened); an empty
/// function restores QSerialPortInfo::availablePorts().
void setSystemPortLister(std::function<QList<PortEntry>()> lister);

/// The ports as a program that counts them from 1 sees them: the extra ports first, then on
/// Windows "COM1" to "COM256", listed or not (a number there is the port's COM number, and
/// opening it tells whether it is there), elsewhere the system's list.
QList<PortEntry> numberedPorts();

/// How a port is named to the user: the device path, except on Windows, where users know the
/// port name ("COM3") and not its device path ("\\.\COM3").
QString shownName(const PortEntry &port);
} // namespace PortCatalogue
