#pragma once

// Builds a real MainWindow against ports the test chooses (the port catalogue lists the paths
// of TELVORO_EXTRA_PORTS first) in a temporary working directory, and reaches its link state.

#include "mainwindow.h"
#include "ptyinstrument.h"

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

struct MainWindowProbe {
    static QComboBox *comboPort(MainWindow &w) { return w.comboPort; }
    static QPushButton *btnScan(MainWindow &w) { return w.btnScan; }
    static QPushButton *btnAutoTest(MainWindow &w) { return w.btnAutoTest; }
    static QPushButton *btnSingleTest(MainWindow &w) { return w.btnSingleTest; }
    static QSpinBox *spinPeriod(MainWindow &w) { return w.spinAutoTestPeriod; }
    static QCheckBox *chkAlarm(MainWindow &w) { return w.chkAlarmEnable; }
    static QDoubleSpinBox *spinThreshold(MainWindow &w) { return w.spinAlarmThreshold; }
    static QComboBox *comboDisplay(MainWindow &w) { return w.comboResDisplayMode; }
    static QLabel *labelMode(MainWindow &w) { return w.labelMode; }
    static QLabel *labelHuge(MainWindow &w) { return w.labelHugeData; }
    static QTextEdit *log(MainWindow &w) { return w.textLog; }
    static QLineSeries *seriesAvg(MainWindow &w) { return w.seriesAvg; }
    static QLineSeries *seriesMax(MainWindow &w) { return w.seriesMax; }
    static QLineSeries *seriesMin(MainWindow &w) { return w.seriesMin; }
    static QValueAxis *axisX(MainWindow &w) { return w.axisX; }
    static QValueAxis *axisY(MainWindow &w) { return w.axisY; }
    static QTimer *pollTimer(MainWindow &w) { return w.pollTimer; }
    static QTimer *autoTestTimer(MainWindow &w) { return w.autoTestTimer; }
    static QTimer *handshakeTimer(MainWindow &w) { return w.handshakeTimer; }
    static QSerialPort *port(MainWindow &w) { return w.serialPort; }
    static bool isConnected(MainWindow &w) { return w.isConnected; }
    static bool isVoltageMode(MainWindow &w) { return w.isVoltageMode; }
    static bool isAlarmActive(MainWindow &w) { return w.isAlarmActive; }
    static const QByteArray &rxBuffer(MainWindow &w) { return w.rxBuffer; }
    static int chartPointCount(MainWindow &w) { return w.chartPointCount; }
    static int decimalPlaces(MainWindow &w) { return w.decimalPlaces; }
    static double latestVoltage(MainWindow &w) { return w.latestVoltage; }
    static void processRealTimeData(MainWindow &w, const QByteArray &frame)
    {
        w.processRealTimeData(frame);
    }
    static void onAutoTestTimerTimeout(MainWindow &w) { w.onAutoTestTimerTimeout(); }
};

/// The frame's bytes as QByteArray.
inline QByteArray frameBytes(const protocol::InstrumentFrame &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
}

/// Log messages without their "[hh:mm:ss] " stamps, as the operator reads them.
inline QStringList logMessages(MainWindow &w)
{
    QStringList lines;
    const QStringList stamped =
        MainWindowProbe::log(w)->toPlainText().split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : stamped)
        lines << line.mid(11);
    return lines;
}

inline QStringList logSince(MainWindow &w, qsizetype before)
{
    return logMessages(w).mid(before);
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

/// One console under test, in its own working directory (its TestHistory.db stays there).
class LinkFixture
{
public:
    explicit LinkFixture(const QStringList &extraPorts) : previousDir(QDir::currentPath())
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        qputenv("TELVORO_EXTRA_PORTS", extraPorts.join(u':').toLocal8Bit());
        window = std::make_unique<MainWindow>();
    }
    ~LinkFixture()
    {
        window.reset();
        qunsetenv("TELVORO_EXTRA_PORTS");
        QDir::setCurrent(previousDir);
        QSqlDatabase::removeDatabase(QString::fromLatin1(QSqlDatabase::defaultConnection));
    }

    MainWindow &w() { return *window; }

    bool waitConnected()
    {
        return QTest::qWaitFor([this] { return connected(); }, 10000);
    }
    bool connected() { return MainWindowProbe::isConnected(*window); }

private:
    QString previousDir;
    QTemporaryDir dir;
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
