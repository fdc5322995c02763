#pragma once

#include "instrumentmodel.h"
#include "lineclock.h"
#include "linescheduler.h"
#include "protocol.h"
#include "simoptions.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

class QSocketNotifier;
class QTimer;

namespace simplatform
{
class PtyPair;
class PreciseTimer;
} // namespace simplatform

/// The simulated instrument on a pseudo-terminal, driven by the Qt event loop. Open it, point a
/// serial port at slavePath() and talk to it as to the real instrument.
class PtyInstrument : public QObject
{
    Q_OBJECT

public:
    explicit PtyInstrument(const SimOptions &options = {}, QObject *parent = nullptr);
    ~PtyInstrument() override;

    /// Creates the pseudo-terminal; false (see errorString()) where there is none. Opening
    /// again after unplug() gives a new device path.
    bool open();
    bool isOpen() const;
    QString errorString() const { return errorString_; }
    /// The device a client opens, e.g. "/dev/pts/3"; empty while closed.
    QString slavePath() const;

    /// Closes the pseudo-terminal as if the cable were pulled: a client's port reports errors.
    void unplug();
    void setSilent(bool silent) { options_.silent = silent; }

    /// Live behaviour: pacing, faults, doubled commands, test time and silence apply to the
    /// next command. The reading and the records are changed with the setters below.
    SimOptions &options() { return options_; }
    const SimOptions &options() const { return options_; }

    /// Sets the current reading, also the values later tests vary around.
    void setReading(int kind, int decimals, quint16 a, quint16 b, quint16 c, quint8 battery = 0);
    protocol::InstrumentFrame readingFrame() const { return model_.readingFrame(); }

    /// The stored records exactly as the instrument sends them; record N at index N-1.
    QVector<protocol::InstrumentFrame> records() const;
    void setRecords(const QVector<protocol::InstrumentFrame> &records);
    /// Replaces the records with records 1..count generated from the seed.
    void setRecordCount(int count);

    bool backlightOn() const { return model_.backlightOn(); }
    bool buzzerOn() const { return model_.buzzerOn(); }
    int leadChecks() const { return model_.leadChecks(); }
    bool testRunning() const { return model_.testRunning(); }

    /// Every command received since the last clearReceived(), doubled copies included.
    QList<quint16> receivedCommands() const { return received_; }
    void clearReceived() { received_.clear(); }

signals:
    /// Every command heard, doubled copies and unanswered ones included.
    void commandReceived(quint16 code);
    void bytesReceived(const QByteArray &bytes);
    /// Bytes the instrument put on the line, faults applied. Bytes sent while no client has
    /// the port open are reported too, although they are lost as on a real line.
    void bytesSent(const QByteArray &bytes);
    /// What the instrument did: each command with its outcome, tests finishing, clients
    /// opening and closing the port, skipped bytes.
    void logMessage(const QString &text);
    void unplugged();

private:
    void onMasterReadable();
    void onClientActivity();
    void sendDue();
    void finishTest();
    void scheduleTest();
    void writeOut();
    bool nobodyListens() const;
    sim::LineSettings lineSettings() const;
    qint64 nowMs() const { return clock_.elapsed(); }
    qint64 nowNs() const { return clock_.nsecsElapsed(); }

    SimOptions options_;
    sim::InstrumentModel model_;
    sim::LineScheduler line_;
    sim::LineClock receiveClock_; ///< the console's side of the line, towards us
    std::unique_ptr<simplatform::PtyPair> pty_;
    QSocketNotifier *readNotifier_ = nullptr;
    QSocketNotifier *watchNotifier_ = nullptr;
    simplatform::PreciseTimer *sendTimer_ = nullptr;
    QTimer *writeRetryTimer_ = nullptr;
    QTimer *testTimer_ = nullptr;
    QTimer *unplugTimer_ = nullptr;
    QElapsedTimer clock_;
    QByteArray unwritten_;
    int clients_ = 0; ///< clients that have the port open, where the platform can tell
    QList<quint16> received_;
    QString errorString_;
};
