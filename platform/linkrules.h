#pragma once

#include <QSerialPort>

// How TelvoroConsole and telvoro-cli judge a port, so both find and lose the instrument alike.

/// Milliseconds a port has to answer the handshake while the instrument is looked for.
constexpr int HandshakeTimeoutMs = 800;
/// Milliseconds between two requests for the live reading.
constexpr int PollIntervalMs = 1000;

/// True for the errors that mean the line itself is gone (cable pulled, adapter removed), not
/// just one failed operation.
bool isLinkFault(QSerialPort::SerialPortError error);
