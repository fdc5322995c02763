#include "instrumentlink.h"

#include "devicelock.h"
#include "framescanner.h"
#include "linkrules.h"
#include "portopening.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

namespace
{

const std::uint8_t *bytesOf(const QByteArray &bytes)
{
    return reinterpret_cast<const std::uint8_t *>(bytes.constData());
}

// One byte on the line at 4800 baud, 8N1, rounded up.
constexpr int ByteMs = 3;

} // namespace

InstrumentLink::InstrumentLink(QObject *parent) : QObject(parent), port_(new QSerialPort(this))
{
    connect(port_, &QSerialPort::readyRead, this, &InstrumentLink::onReadyRead);
    connect(port_, &QSerialPort::errorOccurred, this, &InstrumentLink::onError);
}

bool InstrumentLink::open(const QString &location)
{
    close();
    location_ = location;
    lost_ = false;
    lostReason_.clear();
    openError_ = QSerialPort::NoError;
    openErrorText_.clear();
    port_->setPortName(location);
    if (!openSerialLine(*port_)) {
        openError_ = port_->error();
        return false;
    }
    // A second session on the same device, under whatever name, would take half of every
    // answer from the first one.
    QString busy;
    if (DeviceLock::lock(*port_, &busy))
        return true;
    port_->close();
    const QString device = QFileInfo(location).canonicalFilePath();
    openError_ = QSerialPort::UnknownError;
    openErrorText_ =
        device.isEmpty() || device == location ? busy : device + QStringLiteral(": ") + busy;
    return false;
}

QString InstrumentLink::goneText() const
{
    return lost_ ? QStringLiteral("link lost: ") + lostReason_
                 : QStringLiteral("the instrument stopped answering");
}

QString InstrumentLink::errorString() const
{
    return openErrorText_.isEmpty() ? port_->errorString() : openErrorText_;
}

void InstrumentLink::close()
{
    if (port_->isOpen())
        port_->close();
    rx_.clear();
    frames_.clear();
    handshakeSeen_ = false;
    linkUp_ = false;
}

bool InstrumentLink::probe(int timeoutMs)
{
    rx_.clear();
    handshakeSeen_ = false;
    linkUp_ = false;
    if (!send(protocol::Command::Probe))
        return false;
    if (!waitUntil([this] { return handshakeSeen_; }, timeoutMs))
        return false;
    // Bytes that came with or after the reply are not frames to act on.
    rx_.clear();
    linkUp_ = true;
    return true;
}

bool InstrumentLink::send(protocol::CommandCode code)
{
    if (lost_ || !port_->isOpen())
        return false;
    const protocol::CommandFrame frame = protocol::buildCommand(code);
    if (port_->write(reinterpret_cast<const char *>(frame.data()), qint64(frame.size())) == -1) {
        markLost(port_->errorString());
        return false;
    }
    port_->flush();
    return !lost_;
}

std::optional<protocol::InstrumentFrame>
InstrumentLink::waitForFrame(const std::function<bool(const protocol::InstrumentFrame &)> &accept,
                             int timeoutMs)
{
    std::optional<protocol::InstrumentFrame> taken;
    waitUntil(
        [this, &accept, &taken] {
            while (!frames_.isEmpty()) {
                const protocol::InstrumentFrame frame = frames_.takeFirst();
                if (accept(frame)) {
                    taken = frame;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return taken;
}

void InstrumentLink::pause(int ms)
{
    waitUntil([] { return false; }, ms);
}

void InstrumentLink::drain()
{
    if (!port_->isOpen())
        return;
    const qint64 queued = port_->bytesToWrite();
    port_->waitForBytesWritten(50);
    // What the system still holds crosses the line in this time; closing sooner could cut
    // it off.
    QThread::msleep(unsigned((queued + qint64(protocol::CommandSize)) * ByteMs + 10));
}

void InstrumentLink::requestStop()
{
    stop_ = true;
    wake();
}

void InstrumentLink::onReadyRead()
{
    rx_.append(port_->readAll());
    if (!linkUp_) {
        const protocol::HandshakeSearch search =
            protocol::searchHandshake(bytesOf(rx_), std::size_t(rx_.size()));
        handshakeSeen_ = search.found;
        if (!search.found)
            rx_.remove(0, qsizetype(search.discard));
    } else {
        const std::size_t consumed = protocol::scanFrames(
            bytesOf(rx_), std::size_t(rx_.size()), [this](const protocol::InstrumentFrame &f) {
                frames_.append(f);
                return true;
            });
        rx_.remove(0, qsizetype(consumed));
    }
    wake();
}

void InstrumentLink::onError(QSerialPort::SerialPortError error)
{
    if (isLinkFault(error) && port_->isOpen())
        markLost(port_->errorString());
}

void InstrumentLink::markLost(const QString &reason)
{
    if (lost_)
        return;
    lost_ = true;
    lostReason_ = reason;
    // A vanished device keeps reporting errors while it stays open.
    if (port_->isOpen())
        port_->close();
    wake();
}

bool InstrumentLink::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    if (lost_ || stop_ || timeoutMs <= 0)
        return false;

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    waiting_ = &loop;
    done_ = done;
    satisfied_ = false;
    timer.start(timeoutMs);
    loop.exec();
    waiting_ = nullptr;
    done_ = nullptr;
    return satisfied_;
}

void InstrumentLink::wake()
{
    if (!waiting_)
        return;
    // `done_` may consume what it looks at (a frame), so it is asked once per wake-up only
    // while nothing satisfied it yet.
    if (!satisfied_ && done_ && done_())
        satisfied_ = true;
    if (satisfied_ || lost_ || stop_)
        waiting_->quit();
}
