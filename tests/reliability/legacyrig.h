#pragma once

// The legacy console on its own timers with the simulated instrument behind whichever port
// number it opens, as a USB adapter that may come back under another number: an instrument
// unplugged and opened again (on a new device) is found by the next step of the search. Or,
// given a port number, the instrument is there alone, as on a fixed COM port.

#include "form1.h"
#include "legacystate.h"
#include "mscomm.h"
#include "ptyinstrument.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

/// An instrument that answers at once and finishes a single test in 100 ms.
inline SimOptions unpaced(int records)
{
    SimOptions options;
    options.paced = false;
    options.recordCount = records;
    options.testTimeMs = 100;
    return options;
}

class LegacyRig
{
public:
    /// `instrumentPort` 0: every port number reaches the instrument; otherwise only that one.
    explicit LegacyRig(const SimOptions &options, int instrumentPort = 0)
        : previousDir(QDir::currentPath())
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        sim = std::make_unique<PtyInstrument>(options);
        QVERIFY2(sim->open(), qPrintable(sim->errorString()));
        PtyInstrument *instrument = sim.get();
        MSComm::setPortResolver([this, instrument, instrumentPort](int n) {
            portsOpened.append(n);
            const bool there = instrumentPort == 0 || n == instrumentPort;
            return there && instrument->isOpen() ? instrument->slavePath() : QString();
        });
        state = std::make_unique<legacy::LegacyState>();
        form = std::make_unique<Form1>(*state);
        form->show();
    }
    ~LegacyRig()
    {
        form.reset();
        MSComm::setPortResolver({});
        sim.reset();
        QDir::setCurrent(previousDir);
    }

    template <typename T = QWidget> T *control(const char *name)
    {
        return form->findChild<T *>(QLatin1String(name));
    }
    QString text(const char *name) { return control<QLabel>(name)->text(); }
    QPushButton *button(const char *name) { return control<QPushButton>(name); }

    bool linked() { return text("Label17") == QStringLiteral("连接成功"); }
    bool waitLinked(int ms = 30000)
    {
        return QTest::qWaitFor([this] { return linked(); }, ms);
    }
    bool waitLost(int ms = 10000)
    {
        return QTest::qWaitFor([this] { return text("Label17") == QStringLiteral("连接失败"); },
                               ms);
    }
    /// Connected and told how many records the instrument holds.
    bool waitCount(int records, int ms = 30000)
    {
        return waitLinked(ms) &&
               QTest::qWaitFor([&] { return state->meterRecCount == records; }, ms);
    }

    /// The cable goes back in: the instrument is there again, on a new device.
    bool plugBackIn() { return sim->open(); }

    /// When the instrument is first asked for record `n`, it falls silent or its cable is
    /// pulled; `interrupted` turns true then.
    void interruptAt(quint16 n, bool unplug)
    {
        QObject::connect(sim.get(), &PtyInstrument::commandReceived, sim.get(),
                         [this, n, unplug](quint16 code) {
                             if (code != n || interrupted)
                                 return;
                             interrupted = true;
                             if (!unplug) {
                                 sim->setSilent(true);
                                 return;
                             }
                             // Not from inside the instrument's own notification.
                             QTimer::singleShot(0, sim.get(), [this] { sim->unplug(); });
                         });
    }
    bool interrupted = false;

    /// Every stored record slot 1..count holds exactly the instrument's record.
    bool holdsRecords(int count, QString *why)
    {
        const QVector<protocol::InstrumentFrame> records = sim->records();
        for (int n = 1; n <= count; ++n) {
            const protocol::InstrumentFrame &r = records.at(n - 1);
            using protocol::Value;
            if (state->recNo[n] != n || state->recType[n] != r[0] ||
                state->recAvg[n] != protocol::readValue(r.data(), Value::A) ||
                state->recMax[n] != protocol::readValue(r.data(), Value::B) ||
                state->recMin[n] != protocol::readValue(r.data(), Value::C)) {
                *why = QStringLiteral("record %1 differs").arg(n);
                return false;
            }
        }
        return true;
    }

    std::unique_ptr<PtyInstrument> sim;
    std::unique_ptr<legacy::LegacyState> state;
    std::unique_ptr<Form1> form;
    /// The port number of every open attempt, in order.
    QList<int> portsOpened;

private:
    QString previousDir;
    QTemporaryDir dir;
};
