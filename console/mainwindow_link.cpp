// Port scan, handshake, receive dispatch and live readings.
#include "mainwindow.h"

void MainWindow::startAutoScan() {}

void MainWindow::scanNextPort() {}

void MainWindow::onSerialReadyRead() {}

void MainWindow::onHandshakeTimeout() {}

void MainWindow::requestRealTimeData() {}

void MainWindow::processRealTimeData(const QByteArray &) {}
