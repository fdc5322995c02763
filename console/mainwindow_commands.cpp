// Instrument commands and automatic testing.
#include "mainwindow.h"

void MainWindow::sendHexCommand(const QString &, const QByteArray &) {}

void MainWindow::onBtnAutoTestToggled(bool) {}

void MainWindow::onAutoTestTimerTimeout() {}

void MainWindow::onBtnCalibrateClicked() {}

void MainWindow::onBtnSingleTestClicked() {}

void MainWindow::onBtnBLOnClicked() {}

void MainWindow::onBtnBLOffClicked() {}

void MainWindow::onBtnBeepOnClicked() {}

void MainWindow::onBtnBeepOffClicked() {}
