#pragma once

// A real console connected to the simulated instrument, in a scratch working directory, with
// the private state the alarm and fault tests look at.

#include "mainwindow.h"
#include "ptyinstrument.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <memory>

struct MainWindowProbe {
    static QComboBox *comboPort(MainWindow &w) { return w.comboPort; }
    static QPushButton *btnScan(MainWindow &w) { return w.btnScan; }
    static QPushButton *btnAutoTest(MainWindow &w) { return w.btnAutoTest; }
    static QPushButton *btnSingleTest(MainWindow &w) { return w.btnSingleTest; }
    static QPushButton *btnSync(MainWindow &w) { return w.btnSyncHistory; }
    static QCheckBox *chkAlarm(MainWindow &w) { return w.chkAlarmEnable; }
    static QDoubleSpinBox *spinThreshold(MainWindow &w) { return w.spinAlarmThreshold; }
    static QTextEdit *log(MainWindow &w) { return w.textLog; }
    static QWidget *overlay(MainWindow &w) { return w.alarmOverlay; }
    static QPropertyAnimation *animation(MainWindow &w) { return w.alarmAnimation; }
    static QTimer *pollTimer(MainWindow &w) { return w.pollTimer; }
    static QTimer *autoTestTimer(MainWindow &w) { return w.autoTestTimer; }
    static QSerialPort *port(MainWindow &w) { return w.serialPort; }
    static bool isConnected(MainWindow &w) { return w.isConnected; }
    static bool isAlarmActive(MainWindow &w) { return w.isAlarmActive; }
    static bool isSyncing(MainWindow &w) { return w.isSyncingHistory; }
    static void processRealTimeData(MainWindow &w, const protocol::InstrumentFrame &frame)
    {
        w.processRealTimeData(
            QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size())));
    }
};

/// Log messages without their "[hh:mm:ss] " stamps.
inline QStringList logMessages(MainWindow &w)
{
    QStringList lines;
    const QStringList stamped =
        MainWindowProbe::log(w)->toPlainText().split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : stamped)
        lines << line.mid(11);
    return lines;
}

class AlarmFixture
{
public:
    explicit AlarmFixture(SimOptions options = {}) : previousDir(QDir::currentPath())
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        options.paced = false;
        instrument = std::make_unique<PtyInstrument>(options);
        QVERIFY2(instrument->open(), qPrintable(instrument->errorString()));
        qputenv("TELVORO_EXTRA_PORTS", instrument->slavePath().toLocal8Bit());
        window = std::make_unique<MainWindow>();
        window->show();
    }
    ~AlarmFixture()
    {
        window.reset();
        qunsetenv("TELVORO_EXTRA_PORTS");
        QDir::setCurrent(previousDir);
        QSqlDatabase::removeDatabase(QString::fromLatin1(QSqlDatabase::defaultConnection));
    }

    MainWindow &w() { return *window; }
    bool waitConnected()
    {
        return QTest::qWaitFor([this] { return MainWindowProbe::isConnected(*window); }, 10000);
    }
    QString workingDir() const { return dir.path(); }

    std::unique_ptr<PtyInstrument> instrument;

private:
    QString previousDir;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};
