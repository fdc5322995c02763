#pragma once

// A real console connected to the simulated instrument, in a scratch working directory, with
// the private state the alarm and fault tests look at.

#include "mainwindowprobe.h"
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
        listOnlyExtraPorts();
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
