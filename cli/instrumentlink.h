#pragma once

#include "protocol.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <functional>
#include <optional>

class QEventLoop;

/// The serial line to the instrument, driven from plain sequential code: each wait runs the
/// event loop until what it waits for arrives, the time is up, the link is lost or a stop is
/// requested. Frames are cut from the stream as the modern console cuts them.
class InstrumentLink : public QObject
{
    Q_OBJECT

public:
    explicit InstrumentLink(QObject *parent = nullptr);

    /// Opens `location` at 4800 baud, 8N1, and locks the device, whatever name `location` gives
    /// it. False with openError() and errorString() when it cannot be opened or another program
    /// has the device.
    bool open(const QString &location);
    QSerialPort::SerialPortError openError() const { return openError_; }
    QString errorString() const;
    QString location() const { return location_; }
    void close();

    /// Sends the probe and waits for the handshake reply; true when it came in time.
    bool probe(int timeoutMs);

    /// Writes a command and pushes it to the line at once; false when the link is lost.
    bool send(protocol::CommandCode code);

    /// Waits up to `timeoutMs` for a frame `accept` takes; frames it refuses are dropped.
    std::optional<protocol::InstrumentFrame>
    waitForFrame(const std::function<bool(const protocol::InstrumentFrame &)> &accept,
                 int timeoutMs);

    /// Runs the event loop for `ms`, unless the link is lost or a stop is requested first.
    void pause(int ms);

    /// Waits until the commands written so far have left for the line.
    void drain();

    bool isLost() const { return lost_; }
    /// Why the link was lost, as the serial port put it.
    QString lostReason() const { return lostReason_; }
    /// Why the instrument is gone, for the user: the lost line's reason, else its silence.
    QString goneText() const;

    /// Ends the current wait and every later one at once.
    void requestStop();
    bool stopRequested() const { return stop_; }

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void markLost(const QString &reason);
    bool waitUntil(const std::function<bool()> &done, int timeoutMs);
    void wake();

    QSerialPort *port_;
    QString location_;
    QSerialPort::SerialPortError openError_ = QSerialPort::NoError;
    QString openErrorText_; ///< why open() failed when the port itself did not say
    QByteArray rx_;
    bool handshakeSeen_ = false;
    bool linkUp_ = false;
    QList<protocol::InstrumentFrame> frames_;
    bool lost_ = false;
    QString lostReason_;
    bool stop_ = false;
    QEventLoop *waiting_ = nullptr;
    std::function<bool()> done_;
    bool satisfied_ = false;
};
