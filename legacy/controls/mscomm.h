#pragma once

#include "portcatalogue.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

class QSerialPort;

/// The serial-port component the legacy console drives: numbered ports, a settings text,
/// a receive threshold and fixed-length reads, over QSerialPort. Operations report failures
/// as the component's numeric error codes instead of raising them.
///
/// Port numbers count the ports of PortCatalogue::numberedPorts() from 1: the ports in
/// TELVORO_EXTRA_PORTS first, then the system's. On Windows the system's ports are "COM1",
/// "COM2"... in that order, so without extra ports port n is "COMn"; with
/// TELVORO_EXTRA_PORTS=COM20;COM21 port 1 is COM20, port 2 COM21 and port 3 COM1. Elsewhere they
/// are the system's list, so TELVORO_EXTRA_PORTS=/dev/pts/5 makes port 1 that pseudo-terminal.
/// The open rule of every program applies (openSerialLine): DTR and RTS are raised after each
/// open, where the control this class stands in for left RTS off.
class MSComm : public QObject
{
    Q_OBJECT

public:
    enum Error : int {
        NoError = 0,
        InvalidPropertyValue = 380,
        PortOpenError = 8000, ///< operation not valid while the port is open
        InvalidPortNumber = 8002,
        PortAlreadyOpen = 8005, ///< also: held by another program
        PortNotAvailable = 8010,
        PortNotOpen = 8018,
    };
    enum InputModeKind { InputModeText = 0, InputModeBinary = 1 };
    /// Value of `commEvent()` for "at least RThreshold bytes received".
    static constexpr int ComEvReceive = 2;

    /// Maps a port number to the device name QSerialPort opens; empty: no such port.
    using PortResolver = std::function<QString(int commPort)>;

    explicit MSComm(QObject *parent = nullptr);

    int commPort() const { return m_commPort; }
    /// Selects the port used by the next open; refused while open.
    Error setCommPort(int commPort);

    bool portOpen() const;
    /// Opens or closes the selected port. Opening a number with no port behind it gives
    /// `InvalidPortNumber`; a port that exists but cannot be opened gives another code.
    /// Closing first lets what was written reach the line, for at most 50 ms.
    Error setPortOpen(bool open);

    QString settings() const { return m_settings; }
    /// "baud,parity,data,stop", e.g. "4800,n,8,1"; applies at once when the port is open.
    Error setSettings(const QString &settings);

    int rThreshold() const { return m_rThreshold; }
    /// `onComm` fires with `ComEvReceive` while at least this many bytes wait; 0 = never.
    void setRThreshold(int bytes);

    int inputLen() const { return m_inputLen; }
    /// Most bytes one `input()` returns; 0 = all waiting.
    void setInputLen(int bytes);

    InputModeKind inputMode() const { return m_inputMode; }
    void setInputMode(InputModeKind mode);

    /// Writes bytes; `PortNotOpen` (and nothing written) while closed.
    Error output(const QByteArray &bytes);

    /// Takes up to `inputLen()` waiting bytes: a QByteArray in binary mode, a Latin-1
    /// QString in text mode.
    QVariant input();

    int inBufferCount() const { return int(m_inBuffer.size()); }
    int commEvent() const { return m_commEvent; }

    /// Device name of port `commPort` under the current mapping.
    static QString deviceFor(int commPort);
    /// Replaces the port mapping process-wide (tests); an empty function restores the default.
    static void setPortResolver(PortResolver resolver);
    /// The default mapping: entry `commPort` (from 1) of `ports`, or empty.
    static QString catalogueDevice(const QList<PortEntry> &ports, int commPort);

signals:
    /// The receive notification; read `commEvent()` for the cause.
    void onComm();

private:
    void applySettings();
    void drainOutput();
    void onReadyRead();
    void notifyReceived();
    void dropVanishedPort();

    QSerialPort *m_port = nullptr;
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,n,8,1");
    int m_rThreshold = 0;
    int m_inputLen = 0;
    InputModeKind m_inputMode = InputModeText;
    int m_commEvent = 0;
    QByteArray m_inBuffer;
    bool m_notifying = false;
    quint64 m_openCount = 0;
};
