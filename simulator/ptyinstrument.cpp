#include "ptyinstrument.h"

#include "commandname.h"
#include "simplatform.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <utility>
#include <vector>

namespace
{

// A client that writes but never reads fills the pty; past this much we drop, as a line would.
constexpr int MaxUnwritten = 64 * 1024;
constexpr int WriteRetryMs = 10;

// The send timer wakes this long before a byte is due, more than the event loop takes to
// wake on an idle machine; the rest is waited out against the clock, so the byte leaves on
// its time rather than when the loop gets round to it.
constexpr qint64 SpinNs = 100'000;

sim::ModelSettings modelSettings(const SimOptions &o)
{
    sim::ModelSettings s;
    s.reading = {o.kind, o.decimals, o.valueA, o.valueB, o.valueC, o.battery};
    s.recordCount = o.recordCount;
    s.seed = o.seed;
    s.testTimeMs = o.testTimeMs;
    s.answerDoubledCommands = o.answerDoubledCommands;
    return s;
}

QString describe(const sim::Measurement &m)
{
    return QStringLiteral("kind %1, %2 decimals, values %3 %4 %5")
        .arg(m.kind)
        .arg(m.decimals)
        .arg(m.a)
        .arg(m.b)
        .arg(m.c);
}

} // namespace

PtyInstrument::PtyInstrument(const SimOptions &options, QObject *parent)
    : QObject(parent), options_(options), model_(modelSettings(options)),
      line_(options.seed ^ 0x11AE5EEDull), pty_(std::make_unique<simplatform::PtyPair>()),
      sendTimer_(new simplatform::PreciseTimer(this)), writeRetryTimer_(new QTimer(this)),
      testTimer_(new QTimer(this)), unplugTimer_(new QTimer(this))
{
    clock_.start();
    for (QTimer *timer : {writeRetryTimer_, testTimer_, unplugTimer_}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(sendTimer_, &simplatform::PreciseTimer::timeout, this, &PtyInstrument::sendDue);
    connect(writeRetryTimer_, &QTimer::timeout, this, &PtyInstrument::writeOut);
    connect(testTimer_, &QTimer::timeout, this, &PtyInstrument::finishTest);
    connect(unplugTimer_, &QTimer::timeout, this, &PtyInstrument::unplug);
}

PtyInstrument::~PtyInstrument() = default;

bool PtyInstrument::open()
{
    if (isOpen())
        return true;
    errorString_.clear();
    if (!pty_->open(errorString_))
        return false;
    model_.startSession();
    readNotifier_ = new QSocketNotifier(pty_->masterFd(), QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PtyInstrument::onMasterReadable);
    if (pty_->clientWatchFd() >= 0) {
        watchNotifier_ = new QSocketNotifier(pty_->clientWatchFd(), QSocketNotifier::Read, this);
        connect(watchNotifier_, &QSocketNotifier::activated, this,
                &PtyInstrument::onClientActivity);
    }
    if (options_.unplugAfterMs >= 0)
        unplugTimer_->start(options_.unplugAfterMs);
    return true;
}

bool PtyInstrument::isOpen() const
{
    return pty_->isOpen();
}

QString PtyInstrument::slavePath() const
{
    return pty_->slavePath();
}

void PtyInstrument::unplug()
{
    if (!isOpen())
        return;
    // Notifiers may be on the call stack (a slot reacting to commandReceived): delete later.
    for (QSocketNotifier *notifier : {readNotifier_, watchNotifier_}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    readNotifier_ = watchNotifier_ = nullptr;
    sendTimer_->stop();
    writeRetryTimer_->stop();
    unplugTimer_->stop();
    line_.clear();
    unwritten_.clear();
    pty_->close();
    clients_ = 0;
    emit logMessage(QStringLiteral("unplugged"));
    emit unplugged();
}

void PtyInstrument::setReading(int kind, int decimals, quint16 a, quint16 b, quint16 c,
                               quint8 battery)
{
    model_.setReading({kind, decimals, a, b, c, battery});
    options_.kind = kind;
    options_.decimals = decimals;
    options_.valueA = a;
    options_.valueB = b;
    options_.valueC = c;
    options_.battery = battery;
}

QVector<protocol::InstrumentFrame> PtyInstrument::records() const
{
    const auto &records = model_.records();
    return QVector<protocol::InstrumentFrame>(records.begin(), records.end());
}

void PtyInstrument::setRecords(const QVector<protocol::InstrumentFrame> &records)
{
    model_.setRecords({records.begin(), records.end()});
    options_.recordCount = int(model_.records().size());
}

void PtyInstrument::setRecordCount(int count)
{
    model_.setRecordCount(count);
    options_.recordCount = int(model_.records().size());
}

void PtyInstrument::onMasterReadable()
{
    onClientActivity();
    finishTest();
    model_.setTestTimeMs(options_.testTimeMs);
    model_.setAnswerDoubledCommands(options_.answerDoubledCommands);

    char buffer[512];
    while (isOpen()) {
        const qint64 n = pty_->read(buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            // Our own slave descriptor spares the master the EIO of a missing client; should a
            // read fail anyway, stop listening rather than spin on an endless error.
            readNotifier_->setEnabled(false);
            emit logMessage(QStringLiteral("reading the pseudo-terminal failed; not listening"));
            break;
        }
        const QByteArray bytes(buffer, int(n));
        emit bytesReceived(bytes);

        // Each exchange with the time its reply may start: at once, or once the command's
        // last byte has crossed the line. The console wrote the bytes at the latest now.
        std::vector<std::pair<sim::Exchange, qint64>> exchanges;
        const std::size_t skippedBefore = model_.parser().skippedBytes();
        const auto *data = reinterpret_cast<const std::uint8_t *>(buffer);
        const qint64 writtenNs = nowNs();
        if (options_.pacedCommands) {
            for (qint64 i = 0; i < n; ++i) {
                const qint64 arrivedNs = receiveClock_.cross(writtenNs);
                for (sim::Exchange &exchange : model_.receive(data + i, 1, nowMs()))
                    exchanges.emplace_back(std::move(exchange), arrivedNs);
            }
        } else {
            for (sim::Exchange &exchange : model_.receive(data, std::size_t(n), nowMs()))
                exchanges.emplace_back(std::move(exchange), writtenNs);
        }
        const std::size_t skipped = model_.parser().skippedBytes() - skippedBefore;
        if (skipped > 0)
            emit logMessage(
                QStringLiteral("skipped %1 byte(s) that start no command").arg(skipped));

        for (const auto &[exchange, readyUs] : exchanges) {
            received_.append(exchange.code);
            emit commandReceived(exchange.code);
            QString line =
                QString::fromStdString(sim::commandName(exchange.code) + ": " + exchange.note);
            if (!exchange.reply.empty()) {
                if (options_.silent)
                    line += QStringLiteral(" (silent: not sent)");
                else
                    line_.send(exchange.reply, readyUs, lineSettings());
            }
            emit logMessage(line);
        }
    }
    sendDue();
    scheduleTest();
}

void PtyInstrument::onClientActivity()
{
    if (!isOpen())
        return;
    const simplatform::ClientEvents events = pty_->takeClientEvents();
    if (events.opened == 0 && events.closed == 0)
        return;
    clients_ = std::max(0, clients_ + events.opened - events.closed);
    if (events.closed > 0)
        emit logMessage(QStringLiteral("a client closed the port"));
    if (events.opened > 0) {
        model_.startSession();
        emit logMessage(QStringLiteral("a client opened the port"));
    }
    // A real port forgets what its owner did not read; a pty would hand it to the next client.
    if (clients_ == 0)
        pty_->discardUnread();
}

bool PtyInstrument::nobodyListens() const
{
    return pty_->clientWatchFd() >= 0 && clients_ == 0;
}

void PtyInstrument::sendDue()
{
    // Bytes the thread was too busy to send on time go at once; the ones after them keep
    // their own times.
    while (isOpen()) {
        const std::optional<qint64> due = line_.nextDueNs();
        if (!due)
            return;
        const qint64 waitNs = *due - nowNs();
        if (waitNs > SpinNs) {
            sendTimer_->start(waitNs - SpinNs);
            return;
        }
        while (nowNs() < *due) {
        }
        const std::vector<std::uint8_t> bytes = line_.takeDue(nowNs());
        unwritten_.append(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
        writeOut();
    }
}

void PtyInstrument::writeOut()
{
    if (unwritten_.isEmpty() || !isOpen())
        return;
    // Whether anybody listens depends on every open and close up to this moment.
    onClientActivity();
    if (nobodyListens()) {
        // On a real line these bytes reach a closed port and are lost; in a pty they would
        // wait for the next client.
        emit bytesSent(unwritten_);
        emit logMessage(
            QStringLiteral("no client has the port open: %1 byte(s) lost").arg(unwritten_.size()));
        unwritten_.clear();
        return;
    }
    const qint64 n = pty_->write(unwritten_.constData(), unwritten_.size());
    if (n < 0) {
        emit logMessage(QStringLiteral("writing the pseudo-terminal failed; %1 byte(s) lost")
                            .arg(unwritten_.size()));
        unwritten_.clear();
        return;
    }
    if (n > 0) {
        const QByteArray sent = unwritten_.left(n);
        unwritten_.remove(0, n);
        emit bytesSent(sent);
    }
    if (unwritten_.isEmpty())
        return;
    if (unwritten_.size() > MaxUnwritten) {
        emit logMessage(
            QStringLiteral("nobody reads the port; %1 byte(s) dropped").arg(unwritten_.size()));
        unwritten_.clear();
        return;
    }
    writeRetryTimer_->start(WriteRetryMs);
}

void PtyInstrument::finishTest()
{
    if (model_.advance(nowMs()))
        emit logMessage(QStringLiteral("test finished: ") + describe(model_.reading()));
    scheduleTest();
}

void PtyInstrument::scheduleTest()
{
    if (const std::optional<qint64> due = model_.testDueMs())
        testTimer_->start(int(std::max<qint64>(0, *due - nowMs())));
}

sim::LineSettings PtyInstrument::lineSettings() const
{
    return {options_.paced,           options_.noiseBytes,         options_.maxChunk,
            options_.dropProbability, options_.corruptProbability, options_.damageReplyProbability};
}
