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
/// (':'-separated; ';' on Windows) in their order, relative ones taken from the working
/// directory, then the system's ports in its order.
/// Pseudo-terminals never appear in the system list, so this is how simulators reach us.
namespace PortCatalogue
{
QList<PortEntry> availablePorts();

/// The extra ports alone, parsed from a TELVORO_EXTRA_PORTS value.
QList<PortEntry> parseExtraPorts(const QString &value);

/// Replaces the system's port list (tests use it so no real port is ever opened); an empty
/// function restores QSerialPortInfo::availablePorts().
void setSystemPortLister(std::function<QList<PortEntry>()> lister);
} // namespace PortCatalogue
