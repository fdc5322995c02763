#include "mainwindow.h"

#include <QPushButton>
#include <QTimer>

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Telvoro - 工业控制台 v1.0"));
    resize(1200, 800);
    setMinimumSize(950, 750);

    setupUi();
    loadStyleSheet();
    initDatabase();

    serialPort = new QSerialPort(this);
    handshakeTimer = new QTimer(this);
    handshakeTimer->setSingleShot(true);
    pollTimer = new QTimer(this);
    autoTestTimer = new QTimer(this);

    connect(serialPort, &QSerialPort::readyRead, this, &MainWindow::onSerialReadyRead);
    connect(handshakeTimer, &QTimer::timeout, this, &MainWindow::onHandshakeTimeout);
    connect(pollTimer, &QTimer::timeout, this, &MainWindow::requestRealTimeData);
    connect(btnScan, &QPushButton::clicked, this, &MainWindow::startAutoScan);
    connect(autoTestTimer, &QTimer::timeout, this, &MainWindow::onAutoTestTimerTimeout);
    connect(serialPort, &QSerialPort::errorOccurred, this, &MainWindow::handleSerialError);

    startAutoScan();
}
