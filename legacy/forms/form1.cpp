#include "form1.h"

#include "clicklabel.h"
#include "formtimer.h"
#include "legacyfonts.h"
#include "makersite.h"
#include "meteroperations.h"
#include "mscomm.h"
#include "picturebox.h"
#include "readingformat.h"
#include "recordacquisition.h"
#include "screencentre.h"
#include "shapelamp.h"
#include "twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTextEdit>

namespace
{

using twips::label;
using twips::placed;

constexpr int ClientWidth = 12990;
constexpr int ClientHeight = 9765;
constexpr int OuterWidth = 13312;
constexpr int OuterHeight = 9900;

const QColor PaleCyan(192, 255, 255);
const QColor Grey(128, 128, 128);

QPushButton *button(QWidget *parent, const char *name, const QString &text, int left, int top,
                    int width, int height)
{
    return placed(new QPushButton(text, parent), name, left, top, width, height);
}

QLineEdit *textBox(QWidget *parent, const char *name, const QString &text, int left, int top,
                   int width, int height)
{
    return placed(new QLineEdit(text, parent), name, left, top, width, height);
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, int left, int top,
                 int width, int height)
{
    return placed(new QGroupBox(caption, parent), name, left, top, width, height);
}

void fill(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A small earth-resistance symbol: a ground sign on a cyan disc.
QIcon formIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(PaleCyan);
    painter.drawEllipse(1, 1, 30, 30);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(16, 5, 16, 15);
    painter.drawLine(7, 15, 25, 15);
    painter.drawLine(10, 20, 22, 20);
    painter.drawLine(13, 25, 19, 25);
    return QIcon(pixmap);
}

} // namespace

Form1::Form1(legacy::LegacyState &legacyState, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      state(legacyState)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Telvoro"));
    setWindowIcon(formIcon());
    setFont(legacyfonts::mainFormFont(9));
    resize(twips::size(ClientWidth, ClientHeight, twips::dpiOf(this)));
    buildControls();
    buildTimers();
    setupRecordsArea();
    Form_Load();
}

void Form1::buildControls()
{
    Label3 = label(this, "Label3", QStringLiteral("自动测试周期"), 480, 405, 1215, 255);
    Text4 = textBox(this, "Text4", QStringLiteral("10"), 1680, 360, 855, 270);
    Label2 = label(this, "Label2", QStringLiteral("秒"), 2520, 420, 495, 255);
    Command16 = button(this, "Command16", legacy::AutoTestOffCaption, 960, 960, 1575, 375);
    Option1 = placed(new QRadioButton(QStringLiteral("电阻最大值"), this), "Option1", 3600, 360,
                     1215, 255);
    Option2 = placed(new QRadioButton(QStringLiteral("电阻最小值"), this), "Option2", 3600, 720,
                     1215, 255);
    Option3 = placed(new QRadioButton(QStringLiteral("电阻平均值"), this), "Option3", 3600, 1080,
                     1215, 255);
    Option1->setChecked(true);

    Frame1 = placed(new QFrame(this), "Frame1", 4920, 120, 5535, 1455);
    fill(Frame1, Grey);
    Label1 = label(Frame1, "Label1", QStringLiteral("- - - - "), 120, 120, 5295, 1215);
    fill(Label1, PaleCyan);
    Label1->setFont(legacyfonts::mainFormFont(56.25));
    // Centred on its line so that fonts with tall line spacing keep the digits in view.
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Frame5 = placed(new QFrame(this), "Frame5", 0, 1680, 10455, 5535);
    Picture2 = placed(new PictureBox(Frame5), "Picture2", 0, 0, 10455, 5535);
    fill(Picture2, PaleCyan);
    RichTextBox1 = placed(new QTextEdit(Picture2), "RichTextBox1", 0, 0, 5055, 5535);
    RichTextBox2 = placed(new QTextEdit(Picture2), "RichTextBox2", 5040, 0, 5415, 5535);
    Text3 = textBox(Picture2, "Text3", QStringLiteral("0.0000Ω"), 8640, 0, 1695, 270);
    Line1 = placed(new QFrame(Picture2), "Line1", 2040, 5520, 3120, 15);
    Line2 = placed(new QFrame(Picture2), "Line2", 6840, 5520, 1320, 15);
    for (QFrame *line : {Line1, Line2})
        fill(line, Qt::black);
    ProgressBar1 = placed(new QProgressBar(Frame5), "ProgressBar1", 0, 5280, 10455, 255);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->raise();

    Frame2 = frame(this, "Frame2", QStringLiteral("仪表操作"), 10800, 240, 2175, 3135);
    Command3 = button(Frame2, "Command3", QStringLiteral("线阻校验"), 240, 240, 1575, 615);
    Command1 = button(Frame2, "Command1", QStringLiteral("测    试"), 240, 960, 1575, 495);
    Command8 = button(Frame2, "Command8", legacy::BacklightOnCaption, 240, 1560, 1575, 615);
    Command9 = button(Frame2, "Command9", legacy::BuzzerOnCaption, 240, 2280, 1575, 615);

    Frame3 = frame(this, "Frame3", QStringLiteral("数据操作"), 10800, 3840, 2175, 2775);
    Command5 = button(Frame3, "Command5", legacy::ReadCaption, 240, 240, 1575, 495);
    Command6 = button(Frame3, "Command6", QStringLiteral("数据清除"), 240, 840, 1575, 495);
    Command4 = button(Frame3, "Command4", QStringLiteral("保    存"), 240, 1440, 1575, 495);
    Command7 = button(Frame3, "Command7", QStringLiteral("打    印"), 240, 2040, 1575, 495);

    Frame12 = frame(this, "Frame12", QStringLiteral("设置报警"), 120, 7320, 2775, 1455);
    Text2 = textBox(Frame12, "Text2", QStringLiteral("0.0000"), 960, 360, 975, 270);
    Combo2 = placed(new QComboBox(Frame12), "Combo2", 1920, 360, 615, 300);
    Combo2->setEditable(true);
    Combo2->setEditText(QStringLiteral("Ω"));
    Shape1 = placed(new ShapeLamp(Frame12), "Shape1", 120, 480, 735, 615);
    Shape1->setFillColor(QColor(0, 255, 0));
    Command15 = button(Frame12, "Command15", legacy::AlarmUnlockedCaption, 1200, 840, 1095, 495);

    Frame11 = frame(this, "Frame11", QStringLiteral("历史查询操作"), 3240, 7320, 2535, 1455);
    Text1 = textBox(Frame11, "Text1", QStringLiteral("1"), 360, 360, 735, 375);
    Label19 = label(Frame11, "Label19", QStringLiteral("页"), 1080, 435, 255, 255);
    Command12 = button(Frame11, "Command12", QStringLiteral("上一页"), 1440, 240, 855, 375);
    Command13 = button(Frame11, "Command13", QStringLiteral("下一页"), 1440, 840, 855, 375);
    Command14 = button(Frame11, "Command14", QStringLiteral("确定"), 360, 840, 855, 375);

    Frame9 = frame(this, "Frame9", QStringLiteral("曲线"), 6120, 7320, 1695, 1455);
    Check1 = placed(new QCheckBox(Frame9), "Check1", 120, 240, 255, 255);
    Check2 = placed(new QCheckBox(Frame9), "Check2", 120, 600, 255, 255);
    Check4 = placed(new QCheckBox(Frame9), "Check4", 120, 1000, 255, 255);
    Check1->setChecked(true);
    Label10 = label(Frame9, "Label10", QStringLiteral("最大值曲线"), 480, 240, 1095, 255);
    Label11 = label(Frame9, "Label11", QStringLiteral("最小值曲线"), 480, 680, 1095, 255);
    Label12 = label(Frame9, "Label12", QStringLiteral("平均值曲线"), 480, 1080, 1095, 255);

    Frame4 = frame(this, "Frame4", QStringLiteral("状态信息"), 8160, 7320, 2175, 1335);
    Label15 = label(Frame4, "Label15", QStringLiteral("COM1"), 240, 240, 1695, 255);
    Label16 = label(Frame4, "Label16", QStringLiteral("串口已打开"), 240, 480, 1695, 255);
    Label17 = label(Frame4, "Label17", QStringLiteral("连接失败"), 240, 720, 1695, 255);
    Label18 = label(Frame4, "Label18", QStringLiteral("正在查找设备...."), 240, 960, 1695, 255);

    Label20 = placed(new ClickLabel(this), "Label20", label20Left, 8880, 7935, 255);
    Label20->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label20->setCursor(Qt::PointingHandCursor);

    MSComm1 = new MSComm(this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));

    connect(MSComm1, &MSComm::onComm, this, &Form1::MSComm1_OnComm);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(Command13, &QPushButton::clicked, this, &Form1::Command13_Click);
    connect(Command14, &QPushButton::clicked, this, &Form1::Command14_Click);
    connect(Command15, &QPushButton::clicked, this, &Form1::Command15_Click);
    connect(Command16, &QPushButton::clicked, this, &Form1::Command16_Click);
    connect(Text4, &QLineEdit::textChanged, this, &Form1::Text4_Change);
    connect(Label20, &ClickLabel::clicked, this, &Form1::Label20_Click);
    connect(Picture2, &PictureBox::mouseDown, this, &Form1::Picture2_MouseDown);
    connect(Picture2, &PictureBox::mouseUp, this, &Form1::Picture2_MouseUp);
    connect(Picture2, &PictureBox::mouseMove, this, &Form1::Picture2_MouseMove);
}

Form1 *Form1::load(legacy::LegacyState &state)
{
    auto *form = new Form1(state);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();
    return form;
}

void Form1::buildTimers()
{
    const auto timer = [this](const char *name, int interval, bool enabled,
                              void (Form1::*handler)()) {
        auto *t = new FormTimer(interval, enabled, this);
        t->setObjectName(QLatin1String(name));
        connect(t, &FormTimer::timeout, this, handler);
        return t;
    };
    Timer1 = timer("Timer1", 100, true, &Form1::Timer1_Timer);
    Timer2 = timer("Timer2", 300, true, &Form1::Timer2_Timer);
    Timer3 = timer("Timer3", 100, true, &Form1::Timer3_Timer);
    Timer4 = timer("Timer4", 400, true, &Form1::Timer4_Timer);
    Timer5 = timer("Timer5", 60, true, &Form1::Timer5_Timer);
    Timer6 = timer("Timer6", 200, true, &Form1::Timer6_Timer);
    Timer7 = timer("Timer7", 700, true, &Form1::Timer7_Timer);
    Timer8 = timer("Timer8", 2000, false, &Form1::Timer8_Timer);
    Timer9 = timer("Timer9", 200, true, &Form1::Timer9_Timer);
    Timer10 = timer("Timer10", 100, true, &Form1::Timer10_Timer);
}

void Form1::Form_Load()
{
    keepOuterSize();
    Label20->setText(makersite::makerLine());
    state.portNo = 1;
    com_st(); // steps first: COM2 is the first port tried
    ProgressBar1->hide();
    legacy::resetOnLoad(state);
    setRecordBoxesVisible(false);
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    keepOuterSize();
    centreOnScreen(this);
}

void Form1::keepOuterSize()
{
    // Outer size includes the window frame; without a frame manager it equals the client.
    const QSize outer = twips::size(OuterWidth, OuterHeight, twips::dpiOf(this));
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    const QSize client = outer - frameExtra;
    if (size() != client)
        resize(client);
}

void Form1::Timer3_Timer()
{
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
        keepOuterSize();
}

void Form1::Timer5_Timer()
{
    if (state.marqueeDir == 1) {
        label20Left += 40;
        if (label20Left > 7400)
            state.marqueeDir = 2;
    }
    if (state.marqueeDir == 2) {
        label20Left -= 40;
        if (label20Left < 120)
            state.marqueeDir = 1;
    }
    twips::place(Label20, label20Left, 8880, 7935, 255);
}

void Form1::Label20_Click()
{
    makersite::open();
}

void Form1::setRecordBoxesVisible(bool visible)
{
    RichTextBox1->setVisible(visible);
    RichTextBox2->setVisible(visible);
}

void Form1::showSystemMessage(const QString &text)
{
    // Cancel, Try Again, Continue; whichever is pressed, nothing further happens.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("系统提示!"), text, QMessageBox::NoButton,
                    this);
    box.setEscapeButton(box.addButton(QStringLiteral("取消"), QMessageBox::ActionRole));
    box.addButton(QStringLiteral("重试"), QMessageBox::ActionRole);
    box.addButton(QStringLiteral("继续"), QMessageBox::ActionRole);
    box.exec();
}
