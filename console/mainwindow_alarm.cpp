// Over-limit alarm and link fault handling.
#include "mainwindow.h"

#include "linkrules.h"

#include <QComboBox>
#include <QEasingCurve>
#include <QGraphicsOpacityEffect>
#include <QMessageBox>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>

void MainWindow::initAlarmSystem()
{
    alarmOverlay = new QWidget(this);
    alarmOverlay->setStyleSheet(QStringLiteral("background-color: rgb(255, 0, 0);"));
    // Controls under the flashing overlay must stay usable.
    alarmOverlay->setAttribute(Qt::WA_TransparentForMouseEvents);
    alarmOverlay->hide();

    alarmEffect = new QGraphicsOpacityEffect(alarmOverlay);
    alarmOverlay->setGraphicsEffect(alarmEffect);

    alarmAnimation = new QPropertyAnimation(alarmEffect, "opacity", this);
    alarmAnimation->setDuration(600);
    alarmAnimation->setStartValue(0.2);
    alarmAnimation->setEndValue(0.7);
    alarmAnimation->setEasingCurve(QEasingCurve::InOutSine);
    alarmAnimation->setLoopCount(-1);
}

void MainWindow::triggerAlarm(bool on)
{
    if (!on) {
        lowerAlarm(QStringLiteral("[恢复] 阻值回落安全范围，已解除报警。"));
        return;
    }
    if (isAlarmActive)
        return;
    isAlarmActive = true;

    alarmOverlay->setGeometry(0, 0, width(), height());
    alarmOverlay->raise();
    alarmOverlay->show();
    alarmAnimation->start();
    if (isConnected) {
        appendLog(QStringLiteral("[警告] 阻值超限！已触发声光报警。"));
        onBtnBeepOnClicked();
    }
}

void MainWindow::lowerAlarm(const QString &logLine)
{
    if (!isAlarmActive)
        return;
    isAlarmActive = false;
    alarmAnimation->stop();
    alarmOverlay->hide();
    if (isConnected) {
        appendLog(logLine);
        onBtnBeepOffClicked();
    }
}

void MainWindow::handleSerialError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return;

    appendLog(QStringLiteral("[底层异常] 检测到串口错误，错误码: %1, 描述: %2")
                  .arg(int(error))
                  .arg(serialPort->errorString()));
    if (!isLinkFault(error))
        return;
    if (!isConnected) {
        // A port that breaks while it is probed (a vanished device floods ReadError) is closed
        // so it is reported once; the handshake time-out then moves the scan on.
        if (serialPort->isOpen())
            serialPort->close();
        return;
    }

    appendLog(QStringLiteral("[致命] 通信链路物理层异常断开！"));
    pollTimer->stop();
    autoTestTimer->stop();
    if (serialPort->isOpen())
        serialPort->close();
    isConnected = false;

    comboPort->clear();
    comboPort->addItem(QStringLiteral("请检查线缆并重新扫描..."));
    btnScan->setText(QStringLiteral("开始扫描串口"));
    btnScan->setStyleSheet(QString());
    btnAutoTest->setChecked(false);
    btnAutoTest->setText(QStringLiteral("▶ 开始自动测试"));
    btnSingleTest->setEnabled(true);

    QMessageBox::critical(this, QStringLiteral("物理连接丢失"),
                          QStringLiteral("设备通信线缆已被意外拔出或连接异常中断！\n"
                                         "请检查 USB 连接线后重新进行扫描。"));
    triggerAlarm(false);
}
