// Instrument commands, the automatic test, the alarm lamp and clearing the records.
#include "form1.h"

#include "formtimer.h"
#include "meteroperations.h"
#include "protocol.h"
#include "readingformat.h"
#include "recordacquisition.h"
#include "shapelamp.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

namespace
{

const QColor LampGreen(0, 255, 0);
const QColor LampRed(255, 0, 0);

} // namespace

void Form1::Command1_Click()
{
    state.lastAvg = state.lastMax = state.lastMin = 0;
    state.downloading = 0;
    Command5->setText(legacy::ReadCaption);
    setRecordBoxesVisible(false);
    state.pendingCommand = protocol::Command::SingleTest;
    sendPendingCommand();
}

void Form1::Command3_Click()
{
    setRecordBoxesVisible(false);
    state.pendingCommand = protocol::Command::LineResistanceCheck;
    sendPendingCommand();
}

void Form1::Command8_Click()
{
    if (state.pendingCommand != legacy::NoCommand)
        return;
    const legacy::Toggle next =
        legacy::toggle(Command8->text(), legacy::BacklightOnCaption, protocol::Command::BacklightOn,
                       legacy::BacklightOffCaption, protocol::Command::BacklightOff);
    Command8->setText(next.caption);
    state.pendingCommand = next.code;
    sendPendingCommand();
}

void Form1::Command9_Click()
{
    if (state.pendingCommand != legacy::NoCommand)
        return;
    const legacy::Toggle next =
        legacy::toggle(Command9->text(), legacy::BuzzerOnCaption, protocol::Command::BuzzerOn,
                       legacy::BuzzerOffCaption, protocol::Command::BuzzerOff);
    Command9->setText(next.caption);
    state.pendingCommand = next.code;
    sendPendingCommand();
}

void Form1::Command15_Click()
{
    Command15->setText(Command15->text() == legacy::AlarmUnlockedCaption
                           ? legacy::AlarmArmedCaption
                           : legacy::AlarmUnlockedCaption);
}

void Form1::Command16_Click()
{
    if (Command16->text() == legacy::AutoTestOffCaption) {
        Command16->setText(legacy::AutoTestOnCaption);
        Timer8->setInterval(legacy::AutoTestFirstInterval);
        Timer8->setEnabled(true);
    } else {
        Command16->setText(legacy::AutoTestOffCaption);
        Timer8->setEnabled(false);
    }
}

void Form1::Text4_Change()
{
    // The edit takes the number as milliseconds; the next tick restores the period in seconds.
    if (const auto interval = legacy::intervalFromText(Text4->text(), 1))
        Timer8->setInterval(*interval);
}

void Form1::Timer8_Timer()
{
    if (const auto interval = legacy::intervalFromText(Text4->text(), 1000))
        Timer8->setInterval(*interval);
    const legacy::AutoTestStep step = legacy::autoTestTick(state);
    if (step.sendTest)
        sendPendingCommand();
    if (step.reopen)
        reopenPort();
}

void Form1::Timer4_Timer()
{
    const bool blinking =
        Command15->text() == legacy::AlarmArmedCaption && state.linkUp == 1 && state.overLimit == 1;
    if (blinking && Shape1->fillColor() != LampRed)
        Shape1->setFillColor(LampRed);
    else
        Shape1->setFillColor(LampGreen);
}

void Form1::Command6_Click()
{
    RichTextBox1->setPlainText(QStringLiteral("   "));
    RichTextBox2->setPlainText(QStringLiteral("   "));
    legacy::clearDownloadedRecords(state);
}
