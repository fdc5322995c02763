#pragma once

// Builds a real MainWindow against ports the test chooses (the port catalogue lists the paths
// of TELVORO_EXTRA_PORTS first) in a temporary working directory, and reaches its link state.

#include "mainwindowprobe.h"
#include "ptyinstrument.h"
#include "workingdir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QValueAxis>
#include <QtTest>

#include <memory>

/// The frame's bytes as QByteArray.
inline QByteArray frameBytes(const protocol::InstrumentFrame &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
}

/// The comboPort entries.
inline QStringList comboEntries(QComboBox *combo)
{
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    return entries;
}

/// A path no port can be opened at.
inline QString deadPortPath()
{
    return QStringLiteral("/nonexistent/telvoro-tty");
}

/// One console under test, in its own working directory (its TestHistory.db stays there). A
/// test goes on only once isValid() says the fixture was set up.
class LinkFixture
{
public:
    explicit LinkFixture(const QStringList &extraPorts)
    {
        if (!dir.isValid()) {
            failure = dir.errorString();
            return;
        }
        qputenv("TELVORO_EXTRA_PORTS", extraPorts.join(u':').toLocal8Bit());
        listOnlyExtraPorts();
        window = std::make_unique<MainWindow>();
    }
    ~LinkFixture()
    {
        window.reset();
        qunsetenv("TELVORO_EXTRA_PORTS");
    }

    bool isValid() const { return window != nullptr; }
    /// Why the fixture could not be set up.
    QString errorString() const { return failure; }

    MainWindow &w() { return *window; }

    bool waitConnected()
    {
        return QTest::qWaitFor([this] { return connected(); }, 10000);
    }
    bool connected() { return MainWindowProbe::isConnected(*window); }

private:
    WorkingDir dir;
    QString failure;
    std::unique_ptr<MainWindow> window;
};

/// A simulator instrument with fast replies unless the test asks for the line's pace.
inline std::unique_ptr<PtyInstrument> openInstrument(SimOptions options = {})
{
    auto instrument = std::make_unique<PtyInstrument>(options);
    if (!instrument->open())
        qWarning("no pseudo-terminal: %s", qPrintable(instrument->errorString()));
    return instrument;
}

/// Records when each command reached the instrument.
class CommandClock : public QObject
{
public:
    explicit CommandClock(PtyInstrument &instrument)
    {
        clock.start();
        watch(instrument);
    }

    /// Adds another instrument's commands to the same timeline.
    void watch(PtyInstrument &instrument)
    {
        connect(&instrument, &PtyInstrument::commandReceived, this, [this](quint16 code) {
            seen.append({code, clock.elapsed()});
        });
    }

    struct Seen {
        quint16 code;
        qint64 atMs;
    };
    QList<Seen> seen;

    int count(quint16 code) const
    {
        int n = 0;
        for (const Seen &s : seen)
            n += s.code == code;
        return n;
    }
    /// Position of the first `code` at or after `from`, or -1.
    qsizetype indexOf(quint16 code, qsizetype from = 0) const
    {
        for (qsizetype i = from; i < seen.size(); ++i) {
            if (seen.at(i).code == code)
                return i;
        }
        return -1;
    }

private:
    QElapsedTimer clock;
};
