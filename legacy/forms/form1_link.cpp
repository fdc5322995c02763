// Port search, link supervision, frame reception and the record download.
#include "form1.h"

#include "formtimer.h"
#include "linksupervisor.h"
#include "mscomm.h"
#include "readingformat.h"
#include "recordacquisition.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

namespace
{

const QString LineSettings = QStringLiteral("4800,n,8,1");
constexpr int FrameBytes = 11;
const QString SearchingText = QStringLiteral("正在查找设备....");
const QString ReadingText = QStringLiteral("正在读取.....");

void configure(MSComm *comm)
{
    comm->setSettings(LineSettings);
    comm->setRThreshold(FrameBytes);
    comm->setInputLen(FrameBytes);
    comm->setInputMode(MSComm::InputModeBinary);
}

} // namespace

void Form1::com_st()
{
    // Errors of the port are not reported; only the invalid port number is told apart.
    MSComm1->setPortOpen(false);
    state.portNo = legacy::nextPortNo(state.portNo);
    MSComm1->setCommPort(state.portNo);
    if (MSComm1->setPortOpen(true) == MSComm::InvalidPortNumber) {
        Label16->setText(QStringLiteral("串口已关闭"));
        state.portState = 0;
    } else {
        Label16->setText(QStringLiteral("串口已打开"));
        state.portState = legacy::PortUsable;
    }
    Label15->setText(QStringLiteral("COM%1").arg(state.portNo));
    configure(MSComm1);
}

void Form1::sendPendingCommand()
{
    if (MSComm1->portOpen())
        MSComm1->output(legacy::doubledCommand(state.pendingCommand));
    state.pendingCommand = legacy::NoCommand;
}

void Form1::reopenPort()
{
    // The port the last search step opened, not `portNo`: start-up moves `portNo` on to 6 for
    // the search order while COM2 stays open, and reopening COM6 would lose the instrument.
    MSComm1->setPortOpen(false);
    configure(MSComm1);
    MSComm1->setPortOpen(true);
}

void Form1::Timer2_Timer()
{
    const legacy::SupervisorStep step = legacy::superviseLink(state);
    if (step.stepPort)
        com_st();
    if (step.sendProbe)
        sendPendingCommand();
    if (state.linkUp == 1) {
        Label17->setText(QStringLiteral("连接成功"));
        if (Label18->text() == SearchingText)
            Label18->clear();
    } else {
        Label17->setText(QStringLiteral("连接失败"));
        Label18->setText(SearchingText);
    }
}

void Form1::formatReading()
{
    const legacy::FormattedReading reading = legacy::formatReading(state.fmtType, state.fmtText);
    state.fmtText = reading.text;
    // The threshold can be edited only while the alarm is not armed.
    Text2->setEnabled(Command15->text() == legacy::AlarmUnlockedCaption);
    if (const auto condition = legacy::alarmCondition(reading, Text2->text()))
        state.overLimit = *condition;
}

void Form1::MSComm1_OnComm()
{
    if (MSComm1->commEvent() != MSComm::ComEvReceive)
        return;
    const QByteArray bytes = MSComm1->input().toByteArray();
    const legacy::LiveChoice choice = Option1->isChecked()   ? legacy::LiveChoice::Maximum
                                      : Option2->isChecked() ? legacy::LiveChoice::Minimum
                                                             : legacy::LiveChoice::Average;
    const legacy::FrameOutcome outcome = legacy::receiveFrame(state, bytes, choice);
    if (outcome.showReading) {
        formatReading();
        Label1->setText(state.fmtText);
    }
    if (outcome.downloadComplete)
        Command5->setText(legacy::ReadCaption);
    if (outcome.showPage)
        ShowRecordPage(state.curPage);
    if (outcome.requestNext)
        sendPendingCommand();
    if (outcome.beyondStore) {
        const qint32 held = state.meterRecCount;
        showSystemMessage(
            QStringLiteral("仪表共有%1组数据，本机只能保存前%2组；其余%3组仍保存在仪表中。")
                .arg(held)
                .arg(legacy::MaxRecords)
                .arg(held - legacy::MaxRecords));
    }
}

void Form1::Command5_Click()
{
    Timer8->setEnabled(false);
    const legacy::ReadClick click = legacy::clickRead(state, Command5->text());
    if (click.showBoxes)
        setRecordBoxesVisible(true);
    switch (click.message) {
    case legacy::ReadMessage::NotConnected:
        showSystemMessage(QStringLiteral("连接失败."));
        break;
    case legacy::ReadMessage::NoRecords:
        showSystemMessage(QStringLiteral("仪表数据为0."));
        break;
    case legacy::ReadMessage::None:
        break;
    }
    if (click.blankBoxes) {
        RichTextBox1->setPlainText(QStringLiteral("   "));
        RichTextBox2->setPlainText(QStringLiteral("   "));
    }
    Command5->setText(click.caption);
    if (click.send)
        sendPendingCommand();
}

void Form1::Timer1_Timer()
{
    const legacy::RerequestStep step = legacy::rerequestTick(state);
    if (step.send)
        sendPendingCommand();
    if (step.reopen)
        reopenPort();
    if (step.deadLine) {
        Command5->setText(legacy::ContinueCaption);
        showSystemMessage(QStringLiteral("连接失败."));
    }
}

void Form1::Timer6_Timer()
{
    const legacy::ProgressView view = legacy::progressTick(state);
    ProgressBar1->setValue(view.value);
    ProgressBar1->setVisible(view.visible);
}

void Form1::Timer7_Timer()
{
    Timer7->setInterval(800);
    if (legacy::takeReadingRequest(state))
        sendPendingCommand();
}

void Form1::Timer9_Timer()
{
    if (state.downloading == 1)
        Label18->setText(ReadingText);
    else if (Label18->text() == ReadingText)
        Label18->clear();
    const bool pagesShown = !RichTextBox1->isHidden();
    for (QPushButton *b : {Command14, Command12, Command13})
        b->setEnabled(pagesShown);
}

void Form1::Timer10_Timer()
{
    Timer10->setInterval(800);
    RedrawChart();
    if (legacy::takeCountRequest(state))
        sendPendingCommand();
}
