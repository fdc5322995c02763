// Window layout, style sheet and log panel.
#include "mainwindow.h"

#include <QResizeEvent>

void MainWindow::setupUi() {}

void MainWindow::loadStyleSheet() {}

void MainWindow::resizeEvent(QResizeEvent *event) { QMainWindow::resizeEvent(event); }

void MainWindow::appendLog(const QString &) {}
