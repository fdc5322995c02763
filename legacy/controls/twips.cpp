#include "twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace twips
{

int toPixels(int twips, double dpi)
{
    return int(std::lround(twips * dpi / PerInch));
}

int fromPixels(int pixels, double dpi)
{
    return int(std::lround(pixels * PerInch / dpi));
}

double dpiOf(const QWidget *widget)
{
    const QScreen *screen = widget ? widget->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

QRect rect(int left, int top, int width, int height, double dpi)
{
    return {toPixels(left, dpi), toPixels(top, dpi), toPixels(width, dpi), toPixels(height, dpi)};
}

QSize size(int width, int height, double dpi)
{
    return {toPixels(width, dpi), toPixels(height, dpi)};
}

void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(rect(left, top, width, height, dpiOf(widget)));
}

QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top, int width,
              int height)
{
    auto *l = placed(new QLabel(text, parent), name, left, top, width, height);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

} // namespace twips
