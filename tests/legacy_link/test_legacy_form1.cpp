// The legacy main form: controls at their twip positions, timers, the start-up sequence,
// the port search tick by tick over pseudo-terminals, housekeeping, the command buttons, the
// automatic test, the alarm lamp and the download button's glue.
#include "controltable.h"
#include "form1probe.h"
#include "linkfixture.h"
#include "makersite.h"
#include "messagecatcher.h"
#include "ptyorskip.h"
#include "readingformat.h"
#include "recordacquisition.h"
#include "shapelamp.h"
#include "simplatform.h"
#include "twips.h"
#include "urlcatcher.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>

using namespace legacy;

namespace
{

template <typename T = QWidget> T *control(Form1 &form, const char *name)
{
    return form.findChild<T *>(QLatin1String(name));
}

QString labelText(Form1 &form, const char *name)
{
    return control<QLabel>(form, name)->text();
}

// Port numbers for the form under test: `ports` maps numbers to devices, anything else has
// no port behind it.
void usePorts(const QMap<int, QString> &ports)
{
    MSComm::setPortResolver([ports](int n) { return ports.value(n); });
}

QByteArray drain(simplatform::PtyPair &pty)
{
    QByteArray all;
    char buffer[256];
    qint64 n = 0;
    while ((n = pty.read(buffer, sizeof buffer)) > 0)
        all.append(buffer, int(n));
    return all;
}

const QByteArray ProbePair = QByteArray::fromHex("6465FBA66465FBA6");

} // namespace

class TestLegacyForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void controlsAtTheirPositions_data();
    void controlsAtTheirPositions();
    void timersAtStart_data();
    void timersAtStart();
    void formAtStart();
    void searchCadenceWithoutPorts();
    void silentPortIsProbedThenLeft();
    void anyValidFrameConnects();
    void heldPortCountsAsSilent();
    void reloadRunsTheStartUpAgain();
    void windowSizeIsKept();
    void makerLabelMovesAndTurns();
    void makerLabelOpensTheSite();
    void togglesAndTests();
    void automaticTestPeriod();
    void alarmLamp_data();
    void alarmLamp();
    void formatterDrivesAlarmAndThresholdBox();
    void clearButton();
    void readButtonMessages();
    void downloadStatusAndProgress();

private:
    std::unique_ptr<LegacyState> state;
};

void TestLegacyForm1::init()
{
    state = std::make_unique<LegacyState>();
    usePorts({});
}

void TestLegacyForm1::cleanup()
{
    MSComm::setPortResolver({});
}

void TestLegacyForm1::controlsAtTheirPositions_data()
{
    controltable::addColumns();
    const auto row = controltable::row;
    row("Label3", "Form1", 480, 405, 1215, 255, "自动测试周期");
    row("Text4", "Form1", 1680, 360, 855, 270, "10");
    row("Label2", "Form1", 2520, 420, 495, 255, "秒");
    row("Command16", "Form1", 960, 960, 1575, 375, "打开自动测试");
    row("Option1", "Form1", 3600, 360, 1215, 255, "电阻最大值");
    row("Option2", "Form1", 3600, 720, 1215, 255, "电阻最小值");
    row("Option3", "Form1", 3600, 1080, 1215, 255, "电阻平均值");
    row("Frame1", "Form1", 4920, 120, 5535, 1455, "");
    row("Label1", "Frame1", 120, 120, 5295, 1215, "- - - - ");
    row("Frame5", "Form1", 0, 1680, 10455, 5535, "");
    row("ProgressBar1", "Frame5", 0, 5280, 10455, 255, "");
    row("Picture2", "Frame5", 0, 0, 10455, 5535, "");
    row("RichTextBox1", "Picture2", 0, 0, 5055, 5535, "");
    row("RichTextBox2", "Picture2", 5040, 0, 5415, 5535, "");
    row("Text3", "Picture2", 8640, 0, 1695, 270, "0.0000Ω");
    row("Frame2", "Form1", 10800, 240, 2175, 3135, "仪表操作");
    row("Command3", "Frame2", 240, 240, 1575, 615, "线阻校验");
    row("Command1", "Frame2", 240, 960, 1575, 495, "测    试");
    row("Command8", "Frame2", 240, 1560, 1575, 615, "开背光灯");
    row("Command9", "Frame2", 240, 2280, 1575, 615, "开蜂鸣器");
    row("Frame3", "Form1", 10800, 3840, 2175, 2775, "数据操作");
    row("Command5", "Frame3", 240, 240, 1575, 495, "读    取");
    row("Command6", "Frame3", 240, 840, 1575, 495, "数据清除");
    row("Command4", "Frame3", 240, 1440, 1575, 495, "保    存");
    row("Command7", "Frame3", 240, 2040, 1575, 495, "打    印");
    row("Frame12", "Form1", 120, 7320, 2775, 1455, "设置报警");
    row("Text2", "Frame12", 960, 360, 975, 270, "0.0000");
    row("Combo2", "Frame12", 1920, 360, 615, 300, "Ω");
    row("Shape1", "Frame12", 120, 480, 735, 615, "");
    row("Command15", "Frame12", 1200, 840, 1095, 495, "锁  定");
    row("Frame11", "Form1", 3240, 7320, 2535, 1455, "历史查询操作");
    row("Text1", "Frame11", 360, 360, 735, 375, "1");
    row("Label19", "Frame11", 1080, 435, 255, 255, "页");
    row("Command12", "Frame11", 1440, 240, 855, 375, "上一页");
    row("Command13", "Frame11", 1440, 840, 855, 375, "下一页");
    row("Command14", "Frame11", 360, 840, 855, 375, "确定");
    row("Frame9", "Form1", 6120, 7320, 1695, 1455, "曲线");
    row("Check1", "Frame9", 120, 240, 255, 255, "");
    row("Check2", "Frame9", 120, 600, 255, 255, "");
    row("Check4", "Frame9", 120, 1000, 255, 255, "");
    row("Label10", "Frame9", 480, 240, 1095, 255, "最大值曲线");
    row("Label11", "Frame9", 480, 680, 1095, 255, "最小值曲线");
    row("Label12", "Frame9", 480, 1080, 1095, 255, "平均值曲线");
    row("Line1", "Picture2", 2040, 5520, 3120, 15, "");
    row("Line2", "Picture2", 6840, 5520, 1320, 15, "");
    row("Frame4", "Form1", 8160, 7320, 2175, 1335, "状态信息");
    row("Label15", "Frame4", 240, 240, 1695, 255, "COM2");
    row("Label16", "Frame4", 240, 480, 1695, 255, "串口已关闭");
    row("Label17", "Frame4", 240, 720, 1695, 255, "连接失败");
    row("Label18", "Frame4", 240, 960, 1695, 255, "正在查找设备....");
    row("Label20", "Form1", 120, 8880, 7935, 255, makersite::makerLine());
}

void TestLegacyForm1::controlsAtTheirPositions()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    controltable::verifyRow(form);
}

void TestLegacyForm1::timersAtStart_data()
{
    QTest::addColumn<int>("timer");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("enabled");
    const int intervals[] = {100, 300, 100, 400, 60, 200, 700, 2000, 200, 100};
    for (int i = 0; i < 10; ++i)
        QTest::addRow("Timer%d", i + 1) << i + 1 << intervals[i] << (i + 1 != 8);
}

void TestLegacyForm1::timersAtStart()
{
    QFETCH(int, timer);
    QFETCH(int, interval);
    QFETCH(bool, enabled);
    Form1 form(*state);
    FormTimer *t = Form1Probe::timers(form).at(timer - 1);
    QCOMPARE(t->objectName(), QStringLiteral("Timer%1").arg(timer));
    QCOMPARE(t->interval(), interval);
    QCOMPARE(t->isEnabled(), enabled);
    QCOMPARE(t->isTicking(), enabled);
}

void TestLegacyForm1::formAtStart()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    QCOMPARE(form.windowTitle(), QStringLiteral("Telvoro"));
    QVERIFY(!form.windowIcon().pixmap(32, 32).isNull());
    QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(control<QLabel>(form, "Label1")->font().pointSizeF(), 56.25);
    QCOMPARE(control(form, "Label1")->palette().color(QPalette::Window), QColor(192, 255, 255));
    QCOMPARE(control(form, "Picture2")->palette().color(QPalette::Window), QColor(192, 255, 255));
    QCOMPARE(control(form, "Frame1")->palette().color(QPalette::Window), QColor(128, 128, 128));
    QCOMPARE(control<ShapeLamp>(form, "Shape1")->fillColor(), QColor(0, 255, 0));
    QVERIFY(control<QRadioButton>(form, "Option1")->isChecked());
    QVERIFY(control<QAbstractButton>(form, "Check1")->isChecked());
    QVERIFY(!control<QAbstractButton>(form, "Check2")->isChecked());
    QVERIFY(control(form, "RichTextBox1")->isHidden());
    QVERIFY(control(form, "RichTextBox2")->isHidden());
    QVERIFY(control(form, "ProgressBar1")->isHidden());
    QCOMPARE(control<QProgressBar>(form, "ProgressBar1")->maximum(), 100);

    // The start-up sequence: COM2 tried first, the search resumes after COM6.
    QCOMPARE(state->portNo, 6);
    QCOMPARE(state->portState, 0);
    QCOMPARE(state->pendingCommand, NoCommand);
    QCOMPARE(state->progressPct, 100);
    QCOMPARE(state->curPage, 1);
    QCOMPARE(state->marqueeDir, 1);
}

void TestLegacyForm1::searchCadenceWithoutPorts()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    QCOMPARE(labelText(form, "Label15"), QStringLiteral("COM2"));
    QStringList tried;
    for (int tick = 0; tick < 12; ++tick) {
        Form1Probe::tick(form, 2);
        tried.append(labelText(form, "Label15"));
        QCOMPARE(labelText(form, "Label16"), QStringLiteral("串口已关闭"));
        QCOMPARE(labelText(form, "Label17"), QStringLiteral("连接失败"));
        QCOMPARE(labelText(form, "Label18"), QStringLiteral("正在查找设备...."));
        QCOMPARE(state->portState, 0);
    }
    QCOMPARE(tried, (QStringList{"COM7", "COM8", "COM9", "COM10", "COM11", "COM12", "COM13",
                                 "COM14", "COM15", "COM16", "COM1", "COM2"}));
}

void TestLegacyForm1::silentPortIsProbedThenLeft()
{
    simplatform::PtyPair pty;
    QString error;
    OPEN_PTY_OR_SKIP(pty.open(error));
    usePorts({{7, pty.slavePath()}});
    Form1 form(*state);
    Form1Probe::stopTimers(form);

    Form1Probe::tick(form, 2); // from the missing COM2 to COM7: no probe yet
    QCOMPARE(labelText(form, "Label15"), QStringLiteral("COM7"));
    QCOMPARE(labelText(form, "Label16"), QStringLiteral("串口已打开"));
    QVERIFY(Form1Probe::comm(form)->portOpen());
    QTest::qWait(50);
    QCOMPARE(drain(pty), QByteArray());

    QByteArray written;
    for (int tick = 1; tick <= 6; ++tick) {
        Form1Probe::tick(form, 2);
        QCOMPARE(labelText(form, "Label15"), QStringLiteral("COM7"));
        QVERIFY(QTest::qWaitFor(
            [&] {
                written += drain(pty);
                return written.size() >= tick * ProbePair.size();
            },
            10000));
    }
    QCOMPARE(written, ProbePair.repeated(6));
    // The seventh silent tick moves on.
    Form1Probe::tick(form, 2);
    QCOMPARE(labelText(form, "Label15"), QStringLiteral("COM8"));
    QVERIFY(!Form1Probe::comm(form)->portOpen());
    QCOMPARE(labelText(form, "Label17"), QStringLiteral("连接失败"));
}

void TestLegacyForm1::anyValidFrameConnects()
{
    simplatform::PtyPair pty;
    QString error;
    OPEN_PTY_OR_SKIP(pty.open(error));
    usePorts({{7, pty.slavePath()}});
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    Form1Probe::tick(form, 2);
    QVERIFY(Form1Probe::comm(form)->portOpen());

    // A count frame is no probe reply, and still counts as an answer.
    const QByteArray frame = countFrame(12);
    pty.write(frame.constData(), frame.size());
    QVERIFY(QTest::qWaitFor([&] { return state->frameSeen == 1; }, 10000));
    QCOMPARE(state->meterRecCount, 12);
    Form1Probe::tick(form, 2);
    QCOMPARE(state->linkUp, 1);
    QCOMPARE(labelText(form, "Label17"), QStringLiteral("连接成功"));
    QCOMPARE(labelText(form, "Label18"), QString());

    for (int tick = 1; tick <= 6; ++tick)
        Form1Probe::tick(form, 2);
    QCOMPARE(labelText(form, "Label17"), QStringLiteral("连接成功"));
    Form1Probe::tick(form, 2);
    QCOMPARE(state->linkUp, 0);
    QCOMPARE(labelText(form, "Label15"), QStringLiteral("COM8"));
    QCOMPARE(labelText(form, "Label17"), QStringLiteral("连接失败"));
    QCOMPARE(labelText(form, "Label18"), QStringLiteral("正在查找设备...."));
}

void TestLegacyForm1::heldPortCountsAsSilent()
{
    simplatform::PtyPair pty;
    QString error;
    OPEN_PTY_OR_SKIP(pty.open(error));
    usePorts({{7, pty.slavePath()}});
    MSComm holder;
    holder.setCommPort(7);
    QCOMPARE(holder.setPortOpen(true), MSComm::NoError);

    Form1 form(*state);
    Form1Probe::stopTimers(form);
    Form1Probe::tick(form, 2);
    QCOMPARE(labelText(form, "Label15"), QStringLiteral("COM7"));
    QCOMPARE(labelText(form, "Label16"), QStringLiteral("串口已打开"));
    QCOMPARE(state->portState, 100);
    QVERIFY(!Form1Probe::comm(form)->portOpen());
    for (int tick = 1; tick <= 6; ++tick)
        Form1Probe::tick(form, 2);
    QCOMPARE(labelText(form, "Label15"), QStringLiteral("COM7"));
    Form1Probe::tick(form, 2);
    QCOMPARE(labelText(form, "Label15"), QStringLiteral("COM8"));
    QTest::qWait(50);
    QCOMPARE(drain(pty), QByteArray());
}

void TestLegacyForm1::reloadRunsTheStartUpAgain()
{
    {
        Form1 first(*state);
        Form1Probe::stopTimers(first);
        state->recNo[3] = 3;
        state->recNo[7001] = 7001;
        state->nextRec = 9;
        // The print-options window hands back as it does after a confirmed print.
        state->biaozi = PrintConfirmed;
        state->reloadByPrinting = true;
    }
    {
        Form1 again(*state);
        Form1Probe::stopTimers(again);
        QCOMPARE(state->recNo[3], 3);
        QCOMPARE(state->nextRec, 1);
        QCOMPARE(labelText(again, "Label15"), QStringLiteral("COM2"));
        // ... and as it does after a cancelled one.
        state->biaozi = 30;
        state->reloadByPrinting = true;
    }
    {
        Form1 afterCancel(*state);
        Form1Probe::stopTimers(afterCancel);
        QCOMPARE(state->recNo[3], 3);
    }
    // A load that printing did not cause is a fresh start.
    Form1 last(*state);
    Form1Probe::stopTimers(last);
    QCOMPARE(state->recNo[3], 0);
    QCOMPARE(state->recNo[7001], 0);
}

void TestLegacyForm1::windowSizeIsKept()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QSize kept = form.frameGeometry().size();
    const double dpi = twips::dpiOf(&form);
    // Without a window manager frame the outer size is the client size.
    if (form.frameGeometry().size() == form.size())
        QCOMPARE(kept, twips::size(13312, 9900, dpi));
    form.resize(400, 300);
    Form1Probe::tick(form, 3);
    QCOMPARE(form.frameGeometry().size(), kept);

    form.showMinimized();
    form.resize(400, 300);
    Form1Probe::tick(form, 3);
    QCOMPARE(form.size(), QSize(400, 300));
}

void TestLegacyForm1::makerLabelMovesAndTurns()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    QWidget *label = control(form, "Label20");
    const double dpi = twips::dpiOf(&form);
    QList<int> lefts;
    int lowest = 120, highest = 120;
    for (int tick = 0; tick < 400; ++tick) {
        Form1Probe::tick(form, 5);
        const int left = Form1Probe::label20Left(form);
        lefts.append(left);
        lowest = qMin(lowest, left);
        highest = qMax(highest, left);
        QCOMPARE(label->x(), twips::toPixels(left, dpi));
    }
    QCOMPARE(lefts.first(), 160);
    QCOMPARE(highest, 7400);
    QCOMPARE(lowest, 80);
    // At the right end the label turns within the tick: 7400, then 7400 again, then back.
    const qsizetype top = lefts.indexOf(7400);
    QCOMPARE(lefts.mid(top, 3), (QList<int>{7400, 7400, 7360}));
    const qsizetype bottom = lefts.indexOf(80);
    QCOMPARE(lefts.mid(bottom - 1, 3), (QList<int>{120, 80, 120}));
}

void TestLegacyForm1::makerLabelOpensTheSite()
{
    UrlCatcher catcher;
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(control(form, "Label20"), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl(makersite::address())});
}

void TestLegacyForm1::togglesAndTests()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    auto *backlight = control<QPushButton>(form, "Command8");
    auto *buzzer = control<QPushButton>(form, "Command9");
    auto *lock = control<QPushButton>(form, "Command15");

    backlight->click();
    QCOMPARE(backlight->text(), QStringLiteral("关背光灯"));
    backlight->click();
    QCOMPARE(backlight->text(), QStringLiteral("开背光灯"));
    buzzer->click();
    QCOMPARE(buzzer->text(), QStringLiteral("关蜂鸣器"));
    QCOMPARE(state->pendingCommand, NoCommand);

    // A busy mailbox makes the toggles ignore the click.
    state->pendingCommand = 60000;
    buzzer->click();
    backlight->click();
    QCOMPARE(buzzer->text(), QStringLiteral("关蜂鸣器"));
    QCOMPARE(backlight->text(), QStringLiteral("开背光灯"));
    QCOMPARE(state->pendingCommand, 60000);
    state->pendingCommand = NoCommand;

    lock->click();
    QCOMPARE(lock->text(), QStringLiteral("解  除"));
    lock->click();
    QCOMPARE(lock->text(), QStringLiteral("锁  定"));

    // The test button ends a download and uncovers the chart.
    state->downloading = 1;
    state->lastAvg = 5;
    control<QPushButton>(form, "Command5")->setText(PauseCaption);
    control(form, "RichTextBox1")->show();
    control(form, "RichTextBox2")->show();
    control<QPushButton>(form, "Command1")->click();
    QCOMPARE(state->downloading, 0);
    QCOMPARE(state->lastAvg, 0);
    QCOMPARE(control<QPushButton>(form, "Command5")->text(), ReadCaption);
    QVERIFY(control(form, "RichTextBox1")->isHidden());
    QVERIFY(control(form, "RichTextBox2")->isHidden());
    QCOMPARE(state->pendingCommand, NoCommand);

    control(form, "RichTextBox1")->show();
    control<QPushButton>(form, "Command3")->click();
    QVERIFY(control(form, "RichTextBox1")->isHidden());
}

void TestLegacyForm1::automaticTestPeriod()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    FormTimer *timer8 = Form1Probe::timers(form).at(7);
    auto *toggle = control<QPushButton>(form, "Command16");
    auto *period = control<QLineEdit>(form, "Text4");

    toggle->click();
    QCOMPARE(toggle->text(), QStringLiteral("关闭自动测试"));
    QCOMPARE(timer8->interval(), 50);
    QVERIFY(timer8->isTicking());
    Form1Probe::tick(form, 8);
    QCOMPARE(timer8->interval(), 10000);

    // An edit counts in milliseconds until the next tick restores seconds.
    period->setText(QStringLiteral("5"));
    QCOMPARE(timer8->interval(), 5);
    Form1Probe::tick(form, 8);
    QCOMPARE(timer8->interval(), 5000);
    period->setText(QStringLiteral("abc"));
    Form1Probe::tick(form, 8);
    QCOMPARE(timer8->interval(), 5000);
    period->setText(QStringLiteral("-4"));
    QCOMPARE(timer8->interval(), 5000);

    period->setText(QStringLiteral("0"));
    QCOMPARE(timer8->interval(), 0);
    QVERIFY(!timer8->isTicking());
    QCOMPARE(toggle->text(), QStringLiteral("关闭自动测试"));

    // The read button stops the test but leaves the caption; the next click only fixes it.
    period->setText(QStringLiteral("10"));
    state->linkUp = 1;
    state->meterRecCount = 0;
    MessageCatcher catcher;
    control<QPushButton>(form, "Command5")->click();
    QVERIFY(!timer8->isEnabled());
    QCOMPARE(toggle->text(), QStringLiteral("关闭自动测试"));
    toggle->click();
    QCOMPARE(toggle->text(), QStringLiteral("打开自动测试"));
    QVERIFY(!timer8->isEnabled());
    toggle->click();
    QVERIFY(timer8->isTicking());
    QCOMPARE(timer8->interval(), 50);
}

void TestLegacyForm1::alarmLamp_data()
{
    QTest::addColumn<bool>("armed");
    QTest::addColumn<int>("linkUp");
    QTest::addColumn<int>("overLimit");
    QTest::addColumn<bool>("blinks");
    QTest::newRow("armed, connected, over") << true << 1 << 1 << true;
    QTest::newRow("not armed") << false << 1 << 1 << false;
    QTest::newRow("no link") << true << 0 << 1 << false;
    QTest::newRow("below threshold") << true << 1 << 0 << false;
}

void TestLegacyForm1::alarmLamp()
{
    QFETCH(bool, armed);
    QFETCH(int, linkUp);
    QFETCH(int, overLimit);
    QFETCH(bool, blinks);
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    if (armed)
        control<QPushButton>(form, "Command15")->click();
    state->linkUp = quint8(linkUp);
    state->overLimit = quint8(overLimit);
    auto *lamp = control<ShapeLamp>(form, "Shape1");
    QList<QColor> colours;
    for (int tick = 0; tick < 4; ++tick) {
        Form1Probe::tick(form, 4);
        colours.append(lamp->fillColor());
    }
    const QColor red(255, 0, 0), green(0, 255, 0);
    const QList<QColor> expected =
        blinks ? QList<QColor>{red, green, red, green} : QList<QColor>{green, green, green, green};
    QCOMPARE(colours, expected);
}

void TestLegacyForm1::formatterDrivesAlarmAndThresholdBox()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    auto *threshold = control<QLineEdit>(form, "Text2");
    threshold->setText(QStringLiteral("50"));
    control<QPushButton>(form, "Command15")->click();

    const auto format = [&](const char *raw) {
        state->fmtType = 0x12;
        state->fmtText = QString::fromLatin1(raw);
        Form1Probe::formatReading(form);
        return state->fmtText;
    };
    QCOMPARE(format("4999"), QStringLiteral("49.99Ω"));
    QCOMPARE(state->overLimit, 0);
    QVERIFY(!threshold->isEnabled());
    QCOMPARE(format("5000"), QStringLiteral("50.00Ω"));
    QCOMPARE(state->overLimit, 1);
    QCOMPARE(format("10000"), QStringLiteral("  OL  Ω"));
    QCOMPARE(state->overLimit, 1);

    // A threshold that is no number leaves the condition as it was.
    control<QPushButton>(form, "Command15")->click();
    threshold->setText(QStringLiteral("x"));
    format("10");
    QCOMPARE(state->overLimit, 1);
    QVERIFY(threshold->isEnabled());
}

void TestLegacyForm1::clearButton()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    state->recNo[5] = 5;
    state->recAvg[5] = 9;
    state->recType[5] = 0x12;
    state->pageCount = 1;
    control<QPushButton>(form, "Command6")->click();
    QCOMPARE(state->recNo[5], 0);
    QCOMPARE(state->recAvg[5], 0);
    QCOMPARE(state->recType[5], 0);
    QCOMPARE(state->pageCount, 0);
    QCOMPARE(control<QTextEdit>(form, "RichTextBox1")->toPlainText(), QStringLiteral("   "));
    QCOMPARE(control<QTextEdit>(form, "RichTextBox2")->toPlainText(), QStringLiteral("   "));
}

void TestLegacyForm1::readButtonMessages()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    auto *read = control<QPushButton>(form, "Command5");
    {
        MessageCatcher catcher;
        read->setText(ContinueCaption);
        read->click();
        QCOMPARE(catcher.title, QStringLiteral("系统提示!"));
        QCOMPARE(catcher.text, QStringLiteral("连接失败."));
        catcher.buttons.sort();
        QStringList expected{"取消", "重试", "继续"};
        expected.sort();
        QCOMPARE(catcher.buttons, expected);
        QCOMPARE(read->text(), ReadCaption);
        QVERIFY(control(form, "RichTextBox1")->isHidden());
    }
    {
        MessageCatcher catcher;
        state->linkUp = 1;
        read->click();
        QCOMPARE(catcher.text, QStringLiteral("仪表数据为0."));
        QCOMPARE(read->text(), ReadCaption);
        QVERIFY(!control(form, "RichTextBox1")->isHidden());
        QCOMPARE(state->downloading, 0);
    }
}

void TestLegacyForm1::downloadStatusAndProgress()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    auto *read = control<QPushButton>(form, "Command5");
    auto *status = control<QLabel>(form, "Label18");
    auto *bar = control<QProgressBar>(form, "ProgressBar1");
    state->linkUp = 1;
    state->meterRecCount = 50;
    control<QTextEdit>(form, "RichTextBox1")->setPlainText(QStringLiteral("old page"));
    read->click();
    QCOMPARE(read->text(), PauseCaption);
    QCOMPARE(state->downloading, 1);
    QCOMPARE(control<QTextEdit>(form, "RichTextBox1")->toPlainText(), QStringLiteral("   "));
    // The port is closed: the request is dropped, the mailbox emptied.
    QCOMPARE(state->pendingCommand, NoCommand);

    Form1Probe::tick(form, 9);
    QCOMPARE(status->text(), QStringLiteral("正在读取....."));
    for (const char *name : {"Command12", "Command13", "Command14"})
        QVERIFY(control(form, name)->isEnabled());

    state->nextRec = 10;
    Form1Probe::tick(form, 6);
    QVERIFY(!bar->isHidden());
    QCOMPARE(bar->value(), 20);

    control<QPushButton>(form, "Command1")->click();
    Form1Probe::tick(form, 9);
    Form1Probe::tick(form, 6);
    QCOMPARE(status->text(), QString());
    QVERIFY(bar->isHidden());
    for (const char *name : {"Command12", "Command13", "Command14"})
        QVERIFY(!control(form, name)->isEnabled());
}

QTEST_MAIN(TestLegacyForm1)
#include "test_legacy_form1.moc"
