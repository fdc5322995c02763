#pragma once

// Private state of MainWindow that the window tests inspect, and a fixture that builds the
// window in a scratch folder (the constructor opens TestHistory.db in the working directory).

#include "mainwindowprobe.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGraphicsLineItem>
#include <QGraphicsTextItem>
#include <QHash>
#include <QLabel>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QValueAxis>

#include <memory>

/// A shown 1200 x 800 window. All windows of a test run share one scratch folder, as they
/// share the process's database connection; no extra ports are scanned.
class WindowFixture
{
public:
    WindowFixture()
    {
        static QTemporaryDir folder;
        qputenv("TELVORO_EXTRA_PORTS", QByteArray());
        QDir::setCurrent(folder.path());
        listOnlyExtraPorts();
        window = std::make_unique<MainWindow>();
        window->resize(1200, 800);
        window->show();
        ready = QTest::qWaitForWindowExposed(window.get(), 10000);
    }

    std::unique_ptr<MainWindow> window;
    bool ready = false;
};
