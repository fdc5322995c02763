// Instrument commands and automatic testing.
#include "mainwindow.h"

#include "commandbytes.h"
#include "linkrules.h"

#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace
{

// One hardware test takes up to 8.5 s, so tests are never sent closer together than this.
constexpr int MinimumAutoTestPeriodS = 10;

const QString StartAutoTestText = QStringLiteral("▶ 开始自动测试");

} // namespace

void MainWindow::sendHexCommand(const QString &name, const QByteArray &frame)
{
    if (!isConnected || !serialPort->isOpen()) {
        appendLog(QStringLiteral("[警告] 未连接设备，无法执行操作: %1").arg(name));
        return;
    }
    if (serialPort->write(frame) == -1) {
        handleSerialError(QSerialPort::ResourceError);
        return;
    }
    appendLog(QStringLiteral("[控制] 已下发 %1 指令: %2")
                  .arg(name, QString::fromLatin1(frame.toHex(' ').toUpper())));
}

void MainWindow::onBtnAutoTestToggled(bool checked)
{
    if (!checked) {
        autoTestTimer->stop();
        btnAutoTest->setText(StartAutoTestText);
        btnSingleTest->setEnabled(true);
        appendLog(QStringLiteral("[自动测试] 任务已手动停止。"));
        return;
    }

    if (!isConnected || !serialPort->isOpen()) {
        // Unchecking runs the branch above at once, nested, with its stop line.
        btnAutoTest->setChecked(false);
        appendLog(QStringLiteral("[系统] 串口未就绪，无法开启自动测试！"));
        return;
    }

    const int period = spinAutoTestPeriod->value();
    if (period < MinimumAutoTestPeriodS) {
        btnAutoTest->setChecked(false);
        spinAutoTestPeriod->setValue(MinimumAutoTestPeriodS);
        appendLog(QStringLiteral("[警告] 硬件测试单次最长耗时 8.5 秒，自动下发周期不得低于 10 "
                                 "秒！已自动重置为 10 秒。"));
        return;
    }

    btnSingleTest->setEnabled(false);
    autoTestTimer->start(period * 1000);
    btnAutoTest->setText(QStringLiteral("⏹ 停止自动测试"));
    appendLog(QStringLiteral("[自动测试] 任务已启动，测试周期: %1 秒/次").arg(period));
    onAutoTestTimerTimeout();
}

void MainWindow::onAutoTestTimerTimeout()
{
    // No reading is asked for until a second after the test command.
    pollTimer->stop();
    sendHexCommand(QStringLiteral("自动单次测试"), commandBytes(protocol::Command::SingleTest));
    pollTimer->start(PollIntervalMs);
}

void MainWindow::onBtnCalibrateClicked()
{
    sendHexCommand(QStringLiteral("线阻校验"),
                   commandBytes(protocol::Command::LineResistanceCheck));
}

void MainWindow::onBtnSingleTestClicked()
{
    pollTimer->stop();
    sendHexCommand(QStringLiteral("单次测试"), commandBytes(protocol::Command::SingleTest));
    pollTimer->start(PollIntervalMs);
}

void MainWindow::onBtnBLOnClicked()
{
    sendHexCommand(QStringLiteral("开背光"), commandBytes(protocol::Command::BacklightOn));
}

void MainWindow::onBtnBLOffClicked()
{
    sendHexCommand(QStringLiteral("关背光"), commandBytes(protocol::Command::BacklightOff));
}

void MainWindow::onBtnBeepOnClicked()
{
    sendHexCommand(QStringLiteral("开蜂鸣器"), commandBytes(protocol::Command::BuzzerOn));
}

void MainWindow::onBtnBeepOffClicked()
{
    sendHexCommand(QStringLiteral("关蜂鸣器"), commandBytes(protocol::Command::BuzzerOff));
}
