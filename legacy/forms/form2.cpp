#include "form2.h"

#include "legacyfonts.h"
#include "printlayout.h"
#include "screencentre.h"
#include "twips.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

namespace
{

using twips::label;
using twips::placed;

} // namespace

Form2::Form2(legacy::LegacyState &legacyState, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      state(legacyState)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("打印选项"));
    setFont(legacyfonts::songFont(9));
    setFixedSize(twips::size(7335, 3540, twips::dpiOf(this)));

    Frame1 =
        placed(new QGroupBox(QStringLiteral("打印信息"), this), "Frame1", 240, 480, 2295, 1455);
    Label1 = label(Frame1, "Label1", QStringLiteral("共有:2000组"), 120, 240, 1935, 255);
    Label3 = label(Frame1, "Label3", QStringLiteral("共有:15页"), 120, 600, 1575, 255);
    Label2 = label(Frame1, "Label2", QStringLiteral("每页可打印:168组"), 120, 960, 1815, 255);

    Frame2 = placed(new QGroupBox(QStringLiteral("自定义"), this), "Frame2", 2880, 480, 3975, 1455);
    Option1 = placed(new QRadioButton(Frame2), "Option1", 240, 360, 255, 255);
    Label4 = label(Frame2, "Label4", QStringLiteral("从"), 720, 360, 255, 495);
    Text1 = placed(new QLineEdit(QStringLiteral("1"), Frame2), "Text1", 960, 240, 975, 375);
    Label5 = label(Frame2, "Label5", QStringLiteral("到"), 2040, 360, 375, 375);
    Text2 = placed(new QLineEdit(QStringLiteral("168"), Frame2), "Text2", 2400, 240, 855, 375);
    Label6 = label(Frame2, "Label6", QStringLiteral("组"), 3360, 360, 375, 255);
    Option2 = placed(new QRadioButton(Frame2), "Option2", 240, 840, 255, 375);
    Label7 = label(Frame2, "Label7", QStringLiteral("全部"), 720, 960, 1695, 375);
    Option1->setChecked(true);

    Command1 =
        placed(new QPushButton(QStringLiteral("打印"), this), "Command1", 1680, 2520, 975, 495);
    Command2 =
        placed(new QPushButton(QStringLiteral("取消"), this), "Command2", 4560, 2520, 975, 495);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);

    Form_Load();
}

void Form2::Form_Load()
{
    state.biaozi = legacy::OptionsOpen;
    Label1->setText(QStringLiteral("共有: %1组").arg(state.form2zushu));
    Label3->setText(QStringLiteral("共要: %1页").arg(legacy::printPages(state.form2zushu)));
}

void Form2::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    centreOnScreen(this);
}

void Form2::Command1_Click()
{
    const std::optional<legacy::PrintChoice> choice = legacy::choosePrintRange(
        Option2->isChecked(), Text1->text(), Text2->text(), state.form2zushu);
    if (!choice) {
        // Refused: the window stays open for a correction or "取消".
        QMessageBox::warning(this, QStringLiteral("打印选项"),
                             QStringLiteral("打印范围无效：“从”和“到”须为 1 到 32767 之间的"
                                            "整数。本次没有打印。"));
        return;
    }
    state.biaozi = legacy::PrintConfirmed;
    state.kai = choice->kai;
    state.jie = choice->jie;
    close();
}

void Form2::Command2_Click()
{
    state.biaozi = legacy::PrintCancelled;
    close();
}

void Form2::closeEvent(QCloseEvent *event)
{
    // Closing by the title bar cancels, so the print command does not wait for ever.
    if (state.biaozi == legacy::OptionsOpen)
        state.biaozi = legacy::PrintCancelled;
    state.reloadByPrinting = true;
    emit handingBack();
    event->accept();
}
