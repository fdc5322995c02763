// Port scan, handshake, receive dispatch and live readings.
#include "mainwindow.h"

#include "commandbytes.h"
#include "framescanner.h"
#include "linkrules.h"
#include "livereading.h"
#include "logname.h"
#include "portopening.h"
#include "protocol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <QValueAxis>

namespace
{

// The time axis shows the newest 60 readings once there are more.
constexpr int ChartVisibleReadings = 60;

const QString ScanButtonText = QStringLiteral("重新扫描/握手");
const QString ConnectedButtonStyle =
    QStringLiteral("background-color: #4CAF50; color: white; border: none; font-weight: bold;");

const std::uint8_t *bytesOf(const QByteArray &bytes)
{
    return reinterpret_cast<const std::uint8_t *>(bytes.constData());
}

} // namespace

void MainWindow::startAutoScan()
{
    pollTimer->stop();
    // A probe of an earlier scan must not time out into this one.
    handshakeTimer->stop();
    // What belongs to the old link ends while it is still up: the instrument hears the buzzer
    // go off, and the automatic test does not go on against a closed port.
    lowerAlarm(QStringLiteral("[系统] 重新扫描前已解除声光报警。"));
    btnAutoTest->setChecked(false);
    if (serialPort->isOpen()) {
        // Closing drops whatever is still queued for the line.
        serialPort->flush();
        serialPort->close();
    }
    isConnected = false;
    rxBuffer.clear();
    scanIndex = 0;

    btnScan->setText(ScanButtonText);
    btnScan->setStyleSheet(QString());
    comboPort->clear();

    appendLog(QString(29, u'='));
    appendLog(QStringLiteral("[系统] 启动设备扫描与握手..."));

    portList = PortCatalogue::availablePorts();
    if (!portList.isEmpty()) {
        scanNextPort();
        return;
    }
    appendLog(
        QStringLiteral("<font color=\"#EF5350\">[错误] 未发现任何可用串口！请检查连线。</font>"));
    comboPort->addItem(QStringLiteral("无可用串口"));
}

void MainWindow::scanNextPort()
{
    if (isConnected)
        return;

    // Ports that cannot be opened are skipped within this one call.
    for (; scanIndex < portList.size(); ++scanIndex) {
        const PortEntry &port = portList.at(scanIndex);
        comboPort->clear();
        comboPort->addItem(QStringLiteral("正在尝试: ") + port.portName + QStringLiteral("..."));
        appendLog(
            QStringLiteral("[握手] 正在尝试打开 %1 ...").arg(LogName::inPlainLine(port.portName)));

        serialPort->setPortName(port.systemLocation);
        if (openSerialLine(*serialPort)) {
            serialPort->write(commandBytes(protocol::Command::Probe));
            handshakeTimer->start(HandshakeTimeoutMs);
            return;
        }
        appendLog(QStringLiteral("[错误] %1 打开失败，可能被占用。")
                      .arg(LogName::inPlainLine(port.portName)));
    }

    appendLog(QStringLiteral("[警告] 所有串口扫描完毕，未找到设备。"));
    comboPort->clear();
    comboPort->addItem(QStringLiteral("扫描失败，请检查连接"));
}

void MainWindow::onHandshakeTimeout()
{
    if (isConnected)
        return;
    appendLog(
        QStringLiteral("[超时] %1 无正确响应。").arg(LogName::inPlainLine(scannedPortName())));
    // A port that failed during the probe was closed already; closing it again is an error.
    if (serialPort->isOpen())
        serialPort->close();
    ++scanIndex;
    scanNextPort();
}

QString MainWindow::scannedPortName() const
{
    return portList.value(scanIndex).portName;
}

void MainWindow::onSerialReadyRead()
{
    rxBuffer.append(serialPort->readAll());
    if (!isConnected) {
        acceptHandshake();
        return;
    }

    // Each frame leaves the buffer before it is dispatched, so a consumer that writes, fails
    // and tears the link down never sees it twice; frames still buffered then stay undelivered.
    while (isConnected) {
        const protocol::ScanStep step =
            protocol::takeFrame(bytesOf(rxBuffer), std::size_t(rxBuffer.size()));
        rxBuffer.remove(0, qsizetype(step.consumed));
        if (!step.frame)
            return;
        dispatchFrame(step.frame->data());
    }
}

void MainWindow::acceptHandshake()
{
    const protocol::HandshakeSearch search =
        protocol::searchHandshake(bytesOf(rxBuffer), std::size_t(rxBuffer.size()));
    if (!search.found) {
        rxBuffer.remove(0, qsizetype(search.discard));
        return;
    }

    isConnected = true;
    handshakeTimer->stop();
    const QString name = scannedPortName();
    appendLog(QStringLiteral("<font color=\"#4CAF50\">[成功] 收到设备应答！已锁定至 %1</font>")
                  .arg(LogName::inHtmlLine(name)));
    comboPort->clear();
    comboPort->addItem(name + QStringLiteral(" (已连接)"));
    btnScan->setText(ScanButtonText);
    btnScan->setStyleSheet(ConnectedButtonStyle);
    rxBuffer.clear();
    pollTimer->start(PollIntervalMs);
    appendLog(QStringLiteral("[系统] 握手成功，已开启 1Hz 实时数据轮询。"));
}

void MainWindow::dispatchFrame(const unsigned char *frame)
{
    switch (protocol::routeFrame(frame, historyDownload())) {
    case protocol::FrameRoute::HistoryCount:
        processHistoryCountFrame(frame);
        break;
    case protocol::FrameRoute::HistoryRecord:
        processHistoryDataFrame(frame);
        break;
    case protocol::FrameRoute::Reading:
        processRealTimeData(
            QByteArray(reinterpret_cast<const char *>(frame), qsizetype(protocol::FrameSize)));
        break;
    case protocol::FrameRoute::Ignore:
        break;
    }
}

void MainWindow::requestRealTimeData()
{
    if (!isConnected || !serialPort->isOpen())
        return;
    if (serialPort->write(commandBytes(protocol::Command::RequestReading)) == -1)
        handleSerialError(QSerialPort::ResourceError);
}

// Declared with `data`; defined with `frame` because QWidget has a member named data.
void MainWindow::processRealTimeData(const QByteArray &frame)
{
    if (frame.size() < qsizetype(protocol::FrameSize))
        return;
    const LiveReading reading = decodeLiveReading(bytesOf(frame));
    decimalPlaces = reading.decimals;

    switch (reading.kind) {
    case LiveReading::Kind::None:
        return;
    case LiveReading::Kind::Voltage:
        isVoltageMode = true;
        labelMode->setText(reading.modeText);
        comboResDisplayMode->setEnabled(false);
        latestVoltage = reading.voltage;
        labelHugeData->setText(reading.voltageText);
        labelHugeData->setStyleSheet(QStringLiteral("color: #03A9F4;"));
        return;
    case LiveReading::Kind::Resistance:
        break;
    }

    isVoltageMode = false;
    resistanceUnit = reading.unit;
    labelMode->setText(reading.modeText);
    comboResDisplayMode->setEnabled(true);
    latestAvg = reading.avg;
    latestMax = reading.max;
    latestMin = reading.min;
    onResDisplayModeChanged(comboResDisplayMode->currentIndex());

    const std::optional<bool> alarm = alarmRequest(chkAlarmEnable->isChecked(), isAlarmActive,
                                                   reading.avgOhms, spinAlarmThreshold->value());
    if (alarm)
        triggerAlarm(*alarm);

    appendChartPoint(reading.avgOhms, reading.maxOhms, reading.minOhms);
}

void MainWindow::appendChartPoint(double avgOhms, double maxOhms, double minOhms)
{
    const int x = ++chartPointCount;
    seriesAvg->append(x, avgOhms);
    seriesMax->append(x, maxOhms);
    seriesMin->append(x, minOhms);

    // Every append redraws a whole series, so a console left polling for days would freeze if
    // the series kept every reading. Keep what the time axis shows plus one point beyond its
    // left edge, so the lines still enter the plot from there.
    const int keep = ChartVisibleReadings + 2;
    for (QLineSeries *series : {seriesAvg, seriesMax, seriesMin}) {
        if (series->count() > keep)
            series->removePoints(0, series->count() - keep);
    }

    if (x > ChartVisibleReadings)
        axisX->setRange(x - ChartVisibleReadings, x);
    if (maxOhms > axisY->max() && !protocol::isOverRange(maxOhms))
        axisY->setMax(1.2 * maxOhms);
}
