#include "mscomm.h"

#include "portopening.h"
#include "serialdrain.h"

#include <QDeadlineTimer>
#include <QPointer>
#include <QSerialPort>
#include <QSignalBlocker>
#include <QTimer>

namespace
{

// 8 bytes take 17 ms at 4800 baud.
constexpr int DrainMs = 50;

bool parseSettings(const QString &text, LineSettings &out)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return false;
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0)
        return false;
    out.baudRate = baud;

    const QString parity = parts[1].trimmed().toLower();
    if (parity == u"n")
        out.parity = QSerialPort::NoParity;
    else if (parity == u"e")
        out.parity = QSerialPort::EvenParity;
    else if (parity == u"o")
        out.parity = QSerialPort::OddParity;
    else if (parity == u"m")
        out.parity = QSerialPort::MarkParity;
    else if (parity == u"s")
        out.parity = QSerialPort::SpaceParity;
    else
        return false;

    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return false;
    out.dataBits = static_cast<QSerialPort::DataBits>(data);

    const QString stop = parts[3].trimmed();
    if (stop == u"1")
        out.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5")
        out.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        out.stopBits = QSerialPort::TwoStop;
    else
        return false;
    return true;
}

// The settings text in force: a parsed copy of it.
LineSettings lineSettings(const QString &text)
{
    LineSettings settings;
    parseSettings(text, settings);
    return settings;
}

MSComm::PortResolver &customResolver()
{
    static MSComm::PortResolver resolver;
    return resolver;
}

} // namespace

MSComm::MSComm(QObject *parent) : QObject(parent), m_port(new QSerialPort(this))
{
    applySettings();
    connect(m_port, &QSerialPort::readyRead, this, &MSComm::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError)
            dropVanishedPort();
    });
}

MSComm::Error MSComm::setCommPort(int commPort)
{
    if (portOpen())
        return PortOpenError;
    if (commPort < 1)
        return InvalidPortNumber;
    m_commPort = commPort;
    return NoError;
}

bool MSComm::portOpen() const
{
    return m_port->isOpen();
}

MSComm::Error MSComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_port->isOpen()) {
            drainOutput();
            m_port->close();
        }
        m_inBuffer.clear();
        return NoError;
    }
    if (m_port->isOpen())
        return PortAlreadyOpen;
    const QString device = deviceFor(m_commPort);
    if (device.isEmpty())
        return InvalidPortNumber;
    m_port->setPortName(device);
    m_inBuffer.clear();
    if (openSerialLine(*m_port, lineSettings(m_settings))) {
        ++m_openCount;
        return NoError;
    }
    switch (m_port->error()) {
    case QSerialPort::DeviceNotFoundError:
        return InvalidPortNumber;
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        return PortAlreadyOpen;
    default:
        return PortNotAvailable;
    }
}

MSComm::Error MSComm::setSettings(const QString &settings)
{
    LineSettings parsed;
    if (!parseSettings(settings, parsed))
        return InvalidPropertyValue;
    m_settings = settings;
    applySettings();
    return NoError;
}

void MSComm::applySettings()
{
    applyLineSettings(*m_port, lineSettings(m_settings));
}

void MSComm::setRThreshold(int bytes)
{
    m_rThreshold = qMax(0, bytes);
    // Data that already waits counts against the new threshold.
    if (!m_inBuffer.isEmpty())
        QTimer::singleShot(0, this, &MSComm::notifyReceived);
}

void MSComm::setInputLen(int bytes)
{
    m_inputLen = qMax(0, bytes);
}

void MSComm::setInputMode(InputModeKind mode)
{
    m_inputMode = mode;
}

MSComm::Error MSComm::output(const QByteArray &bytes)
{
    if (!m_port->isOpen())
        return PortNotOpen;
    m_port->write(bytes);
    // The component hands output to the driver at once, as the console expects.
    m_port->flush();
    return NoError;
}

void MSComm::drainOutput()
{
    // A command written just before a reopen (the automatic test and the re-requests do that)
    // must reach the line: closing discards what is still queued, and QSerialPort puts the
    // port's earlier settings back on close (Qt 6 cannot be told not to), which garbles bytes
    // still leaving the adapter. Bounded, so a stuck adapter cannot hang the console. What
    // arrives meanwhile goes with the port, so no receive notification runs inside a close.
    const QSignalBlocker quiet(m_port);
    const QDeadlineTimer deadline(DrainMs);
    while (m_port->bytesToWrite() > 0 && !deadline.hasExpired() &&
           m_port->waitForBytesWritten(int(deadline.remainingTime()))) {
    }
    waitUntilSent(*m_port, deadline);
}

QVariant MSComm::input()
{
    const qsizetype count =
        m_inputLen == 0 ? m_inBuffer.size() : qMin<qsizetype>(m_inputLen, m_inBuffer.size());
    const QByteArray bytes = m_inBuffer.left(count);
    m_inBuffer.remove(0, count);
    if (m_inputMode == InputModeBinary)
        return bytes;
    return QString::fromLatin1(bytes);
}

void MSComm::onReadyRead()
{
    m_inBuffer += m_port->readAll();
    notifyReceived();
}

void MSComm::notifyReceived()
{
    // A handler that runs an event loop sees new data appended; the outer loop delivers it.
    if (m_notifying)
        return;
    m_notifying = true;
    const QPointer<MSComm> alive(this);
    while (m_rThreshold > 0 && m_port->isOpen() && m_inBuffer.size() >= m_rThreshold) {
        const qsizetype before = m_inBuffer.size();
        m_commEvent = ComEvReceive;
        emit onComm();
        if (!alive)
            return;
        // A handler that reads nothing is notified again only when more data comes.
        if (m_inBuffer.size() >= before)
            break;
    }
    m_notifying = false;
}

void MSComm::dropVanishedPort()
{
    // A vanished device keeps reporting errors while the port still looks open; closing it
    // stops the flood, and the console then sees a silent port. Closed on the next turn of
    // the event loop, outside QSerialPort's own notification, and only if no later open
    // replaced the port meanwhile.
    const quint64 openCount = m_openCount;
    QTimer::singleShot(0, this, [this, openCount] {
        if (openCount == m_openCount && m_port->isOpen()) {
            m_port->close();
            m_inBuffer.clear();
        }
    });
}

QString MSComm::deviceFor(int commPort)
{
    if (customResolver())
        return customResolver()(commPort);
    return catalogueDevice(PortCatalogue::numberedPorts(), commPort);
}

void MSComm::setPortResolver(PortResolver resolver)
{
    customResolver() = std::move(resolver);
}

QString MSComm::catalogueDevice(const QList<PortEntry> &ports, int commPort)
{
    if (commPort < 1 || commPort > ports.size())
        return {};
    return ports[commPort - 1].systemLocation;
}
