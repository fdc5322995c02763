#pragma once

// The console window's private state as the benchmarks drive it.

#include "mainwindow.h"

#include <QByteArray>
#include <QChartView>
#include <QLineSeries>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>

struct MainWindowProbe {
    static bool isConnected(const MainWindow &w) { return w.isConnected; }
    static int chartPointCount(const MainWindow &w) { return w.chartPointCount; }
    static QLineSeries *seriesAvg(const MainWindow &w) { return w.seriesAvg; }
    static QChartView *chartView(const MainWindow &w) { return w.chartView; }
    static QTimer *pollTimer(const MainWindow &w) { return w.pollTimer; }
    static QTextEdit *textLog(const MainWindow &w) { return w.textLog; }
    static QTabWidget *tabWidget(const MainWindow &w) { return w.tabWidget; }
    static QWidget *pageHistory(const MainWindow &w) { return w.pageHistory; }
    static QPushButton *btnSyncHistory(const MainWindow &w) { return w.btnSyncHistory; }
    static bool downloadIdle(const MainWindow &w)
    {
        return !w.awaitingHistoryCount && !w.isSyncingHistory && w.btnSyncHistory->isEnabled();
    }
    static int currentPage(const MainWindow &w) { return w.currentPage; }
    static int totalPages(const MainWindow &w) { return w.totalPages; }
    static void setCurrentPage(MainWindow &w, int page) { w.currentPage = page; }
    static void nextPage(MainWindow &w) { w.onBtnNextPageClicked(); }

    /// Bytes as the serial port would deliver them, through the window's own receive path.
    static void receive(MainWindow &w, const QByteArray &bytes)
    {
        w.rxBuffer.append(bytes);
        w.onSerialReadyRead();
    }
    static void autoTestTick(MainWindow &w) { w.onAutoTestTimerTimeout(); }
};
