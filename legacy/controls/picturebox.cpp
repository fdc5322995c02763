#include "picturebox.h"

#include "twips.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setMouseTracking(true);
}

void PictureBox::clearPicture()
{
    const double dotsPerMeter = dpi() / 0.0254;
    if (m_image.size() != size())
        m_image = QImage(size(), QImage::Format_RGB32);
    m_image.setDotsPerMeterX(int(std::lround(dotsPerMeter)));
    m_image.setDotsPerMeterY(int(std::lround(dotsPerMeter)));
    m_image.fill(palette().color(QPalette::Window));
    update();
}

double PictureBox::dpi() const
{
    return twips::dpiOf(this);
}

double PictureBox::scaleWidth() const
{
    return width() * twips::PerInch / dpi();
}

double PictureBox::scaleHeight() const
{
    return height() * twips::PerInch / dpi();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    clearPicture();
}

QPointF PictureBox::twipsAt(const QPointF &pixels) const
{
    return pixels * (twips::PerInch / dpi());
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    const QPointF at = twipsAt(event->position());
    emit mouseDown(event->button(), at.x(), at.y());
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF at = twipsAt(event->position());
    emit mouseUp(event->button(), at.x(), at.y());
}

void PictureBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = twipsAt(event->position());
    emit mouseMove(event->buttons(), at.x(), at.y());
}
