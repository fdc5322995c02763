#pragma once

// A real console connected to the simulated instrument, in a scratch working directory, with
// the private state the alarm and fault tests look at.

#include "mainwindowprobe.h"
#include "ptyinstrument.h"
#include "workingdir.h"

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

/// A test goes on only once isValid() says the fixture was set up.
class AlarmFixture
{
public:
    explicit AlarmFixture(SimOptions options = {})
    {
        if (!dir.isValid()) {
            failure = dir.errorString();
            return;
        }
        options.paced = false;
        instrument = std::make_unique<PtyInstrument>(options);
        if (!instrument->open()) {
            failure = instrument->errorString();
            return;
        }
        qputenv("TELVORO_EXTRA_PORTS", instrument->slavePath().toLocal8Bit());
        listOnlyExtraPorts();
        window = std::make_unique<MainWindow>();
        window->show();
    }
    ~AlarmFixture()
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
        return QTest::qWaitFor([this] { return MainWindowProbe::isConnected(*window); }, 10000);
    }
    QString workingDir() const { return dir.path(); }

    std::unique_ptr<PtyInstrument> instrument;

private:
    WorkingDir dir;
    QString failure;
    std::unique_ptr<MainWindow> window;
};
