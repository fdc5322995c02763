#include "form3.h"

#include "formtimer.h"
#include "makersite.h"
#include "screencentre.h"
#include "splashart.h"
#include "twips.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

namespace
{

constexpr int BlinkInterval = 400;

QLabel *picture(QWidget *parent, const char *name, int which, int left, int top, int width,
                int height)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setPixmap(QPixmap::fromImage(splashart::picture(which)));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    twips::place(label, left, top, width, height);
    return label;
}

} // namespace

Form3::Form3(QWidget *parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Telvoro"));
    setFixedSize(twips::size(11880, 6810, twips::dpiOf(this)));

    Picture1 = picture(this, "Picture1", 1, 0, 0, 12015, 6855);
    Picture2 = picture(this, "Picture2", 2, 0, 0, 12255, 6855);
    Image1 = new QWidget(Picture2);
    Image1->setObjectName(QStringLiteral("Image1"));
    twips::place(Image1, 7440, 5160, 4215, 1335);
    Image1->setCursor(splashart::linkCursor());

    Timer1 = new FormTimer(3000, true, this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2 = new FormTimer(0, true, this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    connect(Timer1, &FormTimer::timeout, this, &Form3::Timer1_Timer);
    connect(Timer2, &FormTimer::timeout, this, &Form3::Timer2_Timer);

    Form_Load();
}

void Form3::Form_Load()
{
    Picture2->setVisible(true);
}

void Form3::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    centreOnScreen(this);
}

void Form3::Timer1_Timer()
{
    if (Timer2->interval() == BlinkInterval) {
        Picture2->setVisible(true);
        Timer2->setInterval(0);
    } else {
        Timer2->setInterval(BlinkInterval);
    }
}

void Form3::Timer2_Timer()
{
    Picture2->setVisible(Picture2->isHidden());
}

void Form3::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

// The pictures and the hotspot leave their clicks to the window, which tells them apart by
// what lies under the pointer: the hotspot only while the top picture shows.
void Form3::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    if (childAt(event->position().toPoint()) == Image1)
        Image1_Click();
    else
        Picture_Click();
}

void Form3::Picture_Click()
{
    // The main form shows first, so the program never runs without a window.
    emit handOver();
    close();
}

void Form3::Image1_Click()
{
    makersite::open();
}
