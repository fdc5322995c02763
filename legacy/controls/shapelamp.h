#pragma once

#include <QColor>
#include <QWidget>

/// A filled round lamp: the largest circle centred in the widget.
class ShapeLamp : public QWidget
{
    Q_OBJECT

public:
    explicit ShapeLamp(QWidget *parent = nullptr);

    QColor fillColor() const { return m_fillColor; }
    void setFillColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fillColor = Qt::green;
};
