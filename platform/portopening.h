#pragma once

#include <QSerialPort>

// How every program opens a serial port, so a line works alike on every system.

/// Baud rate, parity, data and stop bits of a line; by default the instrument's 4800 8N1.
struct LineSettings {
    qint32 baudRate = QSerialPort::Baud4800;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

/// Sets `settings` and no flow control on `port`; on an open port DTR and RTS are then raised
/// again.
void applyLineSettings(QSerialPort &port, const LineSettings &settings);

/// Opens `port` (its name set already) for reading and writing with `settings` and no flow
/// control, then raises DTR and RTS: cables whose isolated interface is powered from those
/// lines answer only then. False when the port could not be opened (`port.error()` says why).
bool openSerialLine(QSerialPort &port, const LineSettings &settings = LineSettings());
