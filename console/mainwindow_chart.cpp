// Trend chart, hover card and display selector.
#include "mainwindow.h"

void MainWindow::initChart() {}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::onResDisplayModeChanged(int) {}
