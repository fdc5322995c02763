#pragma once

// The console window's private state as the tests and the benchmarks see it: each accessor is
// named after the member it returns, so a caller reads like the window's own code.

#include "mainwindow.h"
#include "portcatalogue.h"
#include "protocol.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGraphicsLineItem>
#include <QGraphicsTextItem>
#include <QHash>
#include <QLabel>
#include <QLineSeries>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QValueAxis>

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

    // Widgets.
    static QTabWidget *tabWidget(MainWindow &w) { return w.tabWidget; }
    static QWidget *pageHistory(MainWindow &w) { return w.pageHistory; }
    static QComboBox *comboPort(MainWindow &w) { return w.comboPort; }
    static QPushButton *btnScan(MainWindow &w) { return w.btnScan; }
    static QSpinBox *spinAutoTestPeriod(MainWindow &w) { return w.spinAutoTestPeriod; }
    static QPushButton *btnAutoTest(MainWindow &w) { return w.btnAutoTest; }
    static QPushButton *btnSingleTest(MainWindow &w) { return w.btnSingleTest; }
    static QCheckBox *chkAlarmEnable(MainWindow &w) { return w.chkAlarmEnable; }
    static QDoubleSpinBox *spinAlarmThreshold(MainWindow &w) { return w.spinAlarmThreshold; }
    static QComboBox *comboResDisplayMode(MainWindow &w) { return w.comboResDisplayMode; }
    static QLabel *labelMode(MainWindow &w) { return w.labelMode; }
    static QLabel *labelHugeData(MainWindow &w) { return w.labelHugeData; }
    static QTextEdit *textLog(MainWindow &w) { return w.textLog; }
    static QTableWidget *tableHistory(MainWindow &w) { return w.tableHistory; }
    static QLabel *labelPage(MainWindow &w) { return w.labelPage; }
    static QPushButton *btnPrevPage(MainWindow &w) { return w.btnPrevPage; }
    static QPushButton *btnNextPage(MainWindow &w) { return w.btnNextPage; }
    static QPushButton *btnClearHistory(MainWindow &w) { return w.btnClearHistory; }
    static QPushButton *btnExport(MainWindow &w) { return w.btnExport; }
    static QPushButton *btnSyncHistory(MainWindow &w) { return w.btnSyncHistory; }
    static QProgressBar *progressSync(MainWindow &w) { return w.progressSync; }

    // Chart.
    static QChart *chart(MainWindow &w) { return w.chart; }
    static QChartView *chartView(MainWindow &w) { return w.chartView; }
    static QLineSeries *seriesAvg(MainWindow &w) { return w.seriesAvg; }
    static QLineSeries *seriesMax(MainWindow &w) { return w.seriesMax; }
    static QLineSeries *seriesMin(MainWindow &w) { return w.seriesMin; }
    static QValueAxis *axisX(MainWindow &w) { return w.axisX; }
    static QValueAxis *axisY(MainWindow &w) { return w.axisY; }
    static QGraphicsLineItem *hoverLine(MainWindow &w) { return w.hoverLine; }
    static QGraphicsTextItem *hoverTooltip(MainWindow &w) { return w.hoverTooltip; }
    static int chartPointCount(MainWindow &w) { return w.chartPointCount; }

    // Alarm.
    static QWidget *&alarmOverlay(MainWindow &w) { return w.alarmOverlay; }
    static QPropertyAnimation *alarmAnimation(MainWindow &w) { return w.alarmAnimation; }
    static bool isAlarmActive(MainWindow &w) { return w.isAlarmActive; }

    // Link.
    static QTimer *pollTimer(MainWindow &w) { return w.pollTimer; }
    static QTimer *autoTestTimer(MainWindow &w) { return w.autoTestTimer; }
    static QTimer *handshakeTimer(MainWindow &w) { return w.handshakeTimer; }
    static QSerialPort *serialPort(MainWindow &w) { return w.serialPort; }
    static bool isConnected(MainWindow &w) { return w.isConnected; }
    static bool isVoltageMode(MainWindow &w) { return w.isVoltageMode; }
    static const QByteArray &rxBuffer(MainWindow &w) { return w.rxBuffer; }
    static int decimalPlaces(MainWindow &w) { return w.decimalPlaces; }
    static double latestVoltage(MainWindow &w) { return w.latestVoltage; }

    // History.
    static QSqlDatabase db(MainWindow &w) { return w.db; }
    static bool awaitingHistoryCount(MainWindow &w) { return w.awaitingHistoryCount; }
    static bool isSyncingHistory(MainWindow &w) { return w.isSyncingHistory; }
    static int historyTotal(MainWindow &w) { return w.historyTotal; }
    static int currentPage(MainWindow &w) { return w.currentPage; }
    static int totalPages(MainWindow &w) { return w.totalPages; }
    static void setCurrentPage(MainWindow &w, int page) { w.currentPage = page; }

    // Members the tests call.
    static void appendLog(MainWindow &w, const QString &message) { w.appendLog(message); }
    static void onResDisplayModeChanged(MainWindow &w, int index)
    {
        w.onResDisplayModeChanged(index);
    }
    static void requestRealTimeData(MainWindow &w) { w.requestRealTimeData(); }
    static void processRealTimeData(MainWindow &w, const QByteArray &frame)
    {
        w.processRealTimeData(frame);
    }
    static void processRealTimeData(MainWindow &w, const protocol::InstrumentFrame &frame)
    {
        w.processRealTimeData(
            QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size())));
    }
    static void onAutoTestTimerTimeout(MainWindow &w) { w.onAutoTestTimerTimeout(); }
    static void onBtnNextPageClicked(MainWindow &w) { w.onBtnNextPageClicked(); }
    /// Bytes as the serial port would deliver them, through the window's own receive path.
    static void receive(MainWindow &w, const QByteArray &bytes)
    {
        w.rxBuffer.append(bytes);
        w.onSerialReadyRead();
    }
    static void insertHistoryRecord(MainWindow &w, int index, const QString &type, double avg,
                                    double max, double min, const QString &unit, int battery,
                                    bool refresh)
    {
        w.insertHistoryRecord(index, type, avg, max, min, unit, battery, refresh);
    }
    static void updatePagination(MainWindow &w) { w.updatePagination(); }

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
};

/// Log messages without their "[hh:mm:ss] " stamps, as the operator reads them.
inline QStringList logMessages(MainWindow &w)
{
    QStringList lines;
    const QStringList stamped =
        MainWindowProbe::textLog(w)->toPlainText().split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : stamped)
        lines << line.mid(11);
    return lines;
}

/// Log messages added since the log held `before` lines.
inline QStringList logSince(MainWindow &w, qsizetype before)
{
    return logMessages(w).mid(before);
}

/// Keeps the machine's own serial ports out of the console's scan: tests reach the console only
/// through the pseudo-terminals they name in TELVORO_EXTRA_PORTS.
inline void listOnlyExtraPorts()
{
    PortCatalogue::setSystemPortLister([] { return QList<PortEntry>{}; });
}
