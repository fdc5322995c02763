#include "shapelamp.h"

#include <QPainter>

ShapeLamp::ShapeLamp(QWidget *parent) : QWidget(parent) {}

void ShapeLamp::setFillColor(const QColor &color)
{
    if (color == m_fillColor)
        return;
    m_fillColor = color;
    update();
}

void ShapeLamp::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height()) - 1;
    const QRectF circle((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    painter.setPen(Qt::black);
    painter.setBrush(m_fillColor);
    painter.drawEllipse(circle);
}
