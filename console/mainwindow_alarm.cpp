// Over-limit alarm and link fault handling.
#include "mainwindow.h"

void MainWindow::initAlarmSystem() {}

void MainWindow::triggerAlarm(bool) {}

void MainWindow::handleSerialError(QSerialPort::SerialPortError) {}
