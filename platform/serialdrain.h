#pragma once

#include <QDeadlineTimer>

class QSerialPort;

/// Waits, until `deadline` at the latest, while the system still holds bytes written to `port`
/// that have not gone out on the line. Call it once Qt's own buffer is empty (after
/// waitForBytesWritten).
void waitUntilSent(const QSerialPort &port, const QDeadlineTimer &deadline);
