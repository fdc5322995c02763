#pragma once

#include <QLatin1String>
#include <QRect>
#include <QSize>
#include <QWidget>

class QLabel;
class QString;

/// Layout units of the legacy forms: 1440 twips per inch at the screen's logical DPI
/// (15 twips per pixel at 96 DPI).
namespace twips
{

constexpr double PerInch = 1440.0;

/// Pixels for `twips` at `dpi`, rounded to the nearest pixel.
int toPixels(int twips, double dpi);
/// Twips for `pixels` at `dpi`, rounded to the nearest twip.
int fromPixels(int pixels, double dpi);

/// Logical DPI of the screen `widget` is on (of the primary screen before it is shown).
double dpiOf(const QWidget *widget);

QRect rect(int left, int top, int width, int height, double dpi);
QSize size(int width, int height, double dpi);

/// Places `widget` at a twip position relative to its parent.
void place(QWidget *widget, int left, int top, int width, int height);

/// Names a control of a form and places it in twips.
template <typename W>
W *placed(W *widget, const char *name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    place(widget, left, top, width, height);
    return widget;
}

/// A form label: top-left aligned text, named and placed in twips.
QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top, int width,
              int height);

} // namespace twips
