#pragma once

// Private state of MainWindow that the window tests inspect, and a fixture that builds the
// window in a scratch folder (the constructor opens TestHistory.db in the working directory).

#include "mainwindow.h"

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

struct MainWindowProbe {
    using Slot = void (MainWindow::*)();

    /// The widget members by name.
    static QHash<QString, QWidget *> widgets(MainWindow &w)
    {
        return {{"tabWidget", w.tabWidget},
                {"pageRealtime", w.pageRealtime},
                {"pageHistory", w.pageHistory},
                {"labelMode", w.labelMode},
                {"comboResDisplayMode", w.comboResDisplayMode},
                {"labelHugeData", w.labelHugeData},
                {"chartView", w.chartView},
                {"comboPort", w.comboPort},
                {"btnScan", w.btnScan},
                {"spinAutoTestPeriod", w.spinAutoTestPeriod},
                {"btnAutoTest", w.btnAutoTest},
                {"btnSingleTest", w.btnSingleTest},
                {"spinAlarmThreshold", w.spinAlarmThreshold},
                {"chkAlarmEnable", w.chkAlarmEnable},
                {"tableHistory", w.tableHistory},
                {"btnPrevPage", w.btnPrevPage},
                {"labelPage", w.labelPage},
                {"btnNextPage", w.btnNextPage},
                {"btnClearHistory", w.btnClearHistory},
                {"btnExport", w.btnExport},
                {"btnSyncHistory", w.btnSyncHistory},
                {"progressSync", w.progressSync},
                {"textLog", w.textLog}};
    }

    /// The clicked() slots by name.
    static Slot clickSlot(const QString &name)
    {
        static const QHash<QString, Slot> byName = {
            {"onBtnCalibrateClicked", &MainWindow::onBtnCalibrateClicked},
            {"onBtnSingleTestClicked", &MainWindow::onBtnSingleTestClicked},
            {"onBtnBLOnClicked", &MainWindow::onBtnBLOnClicked},
            {"onBtnBLOffClicked", &MainWindow::onBtnBLOffClicked},
            {"onBtnBeepOnClicked", &MainWindow::onBtnBeepOnClicked},
            {"onBtnBeepOffClicked", &MainWindow::onBtnBeepOffClicked},
            {"onBtnPrevPageClicked", &MainWindow::onBtnPrevPageClicked},
            {"onBtnNextPageClicked", &MainWindow::onBtnNextPageClicked},
            {"onBtnClearHistoryClicked", &MainWindow::onBtnClearHistoryClicked},
            {"onBtnExportClicked", &MainWindow::onBtnExportClicked},
            {"onBtnSyncHistoryClicked", &MainWindow::onBtnSyncHistoryClicked}};
        return byName.value(name);
    }

    static bool disconnectAutoTestToggle(MainWindow &w)
    {
        return QObject::disconnect(w.btnAutoTest, &QPushButton::toggled, &w,
                                   &MainWindow::onBtnAutoTestToggled);
    }

    static void appendLog(MainWindow &w, const QString &message) { w.appendLog(message); }
    static QTextEdit *textLog(MainWindow &w) { return w.textLog; }
    static QWidget *&alarmOverlay(MainWindow &w) { return w.alarmOverlay; }

    static QChart *chart(MainWindow &w) { return w.chart; }
    static QChartView *chartView(MainWindow &w) { return w.chartView; }
    static QLineSeries *seriesAvg(MainWindow &w) { return w.seriesAvg; }
    static QLineSeries *seriesMax(MainWindow &w) { return w.seriesMax; }
    static QLineSeries *seriesMin(MainWindow &w) { return w.seriesMin; }
    static QValueAxis *axisX(MainWindow &w) { return w.axisX; }
    static QValueAxis *axisY(MainWindow &w) { return w.axisY; }
    static QGraphicsLineItem *hoverLine(MainWindow &w) { return w.hoverLine; }
    static QGraphicsTextItem *hoverTooltip(MainWindow &w) { return w.hoverTooltip; }

    /// One resistance reading as the live decoding leaves it for the chart and the selector.
    static void appendPoint(MainWindow &w, double avg, double max, double min)
    {
        ++w.chartPointCount;
        w.seriesAvg->append(w.chartPointCount, avg);
        w.seriesMax->append(w.chartPointCount, max);
        w.seriesMin->append(w.chartPointCount, min);
    }

    static void setLatest(MainWindow &w, double avg, double max, double min, int decimals,
                          const QString &unit, bool voltage)
    {
        w.latestAvg = avg;
        w.latestMax = max;
        w.latestMin = min;
        w.decimalPlaces = decimals;
        w.resistanceUnit = unit;
        w.isVoltageMode = voltage;
    }

    static QComboBox *comboResDisplayMode(MainWindow &w) { return w.comboResDisplayMode; }
    static QLabel *labelHugeData(MainWindow &w) { return w.labelHugeData; }
    static void selectDisplay(MainWindow &w, int index) { w.onResDisplayModeChanged(index); }
};

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
        window = std::make_unique<MainWindow>();
        window->resize(1200, 800);
        window->show();
        ready = QTest::qWaitForWindowExposed(window.get(), 10000);
    }

    std::unique_ptr<MainWindow> window;
    bool ready = false;
};
