#include "reportaxis.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

// Wider than this (highest over lowest above zero), a linear axis hides the low values.
constexpr double LogarithmicSpan = 100;

} // namespace

double niceStep(double span, int ticks)
{
    const double raw = span / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (raw <= factor * power)
            return factor * power;
    }
    return 10 * power;
}

QString tickText(double value)
{
    // Rounded first, so 3 × 0.1 reads 0.3.
    const double rounded = QString::number(value, 'g', 6).toDouble();
    return QString::number(rounded, 'f', QLocale::FloatingPointShortest);
}

double TrendAxis::fraction(double value) const
{
    if (value <= bottom)
        return 0;
    if (logarithmic)
        return std::log10(value / bottom) / std::log10(top / bottom);
    return (value - bottom) / (top - bottom);
}

TrendAxis trendAxis(const QList<double> &values, std::optional<double> limitOhms)
{
    QList<double> shown = values;
    if (limitOhms)
        shown << *limitOhms;
    double highest = 0;
    double lowestAboveZero = std::numeric_limits<double>::infinity();
    for (const double value : shown) {
        highest = std::max(highest, value);
        if (value > 0)
            lowestAboveZero = std::min(lowestAboveZero, value);
    }

    TrendAxis axis;
    if (highest > LogarithmicSpan * lowestAboveZero) {
        axis.logarithmic = true;
        const int first = int(std::floor(std::log10(lowestAboveZero)));
        const int last = int(std::ceil(std::log10(highest)));
        axis.bottom = std::pow(10.0, first);
        axis.top = std::pow(10.0, last);
        for (int power = first; power <= last; ++power)
            axis.ticks << std::pow(10.0, power);
        return axis;
    }
    // Some room above the highest value, so its point does not sit on the frame.
    const double span = highest > 0 ? highest * 1.05 : 1;
    const double step = niceStep(span, 5);
    const int steps = int(std::ceil(span / step));
    axis.top = steps * step;
    for (int i = 0; i <= steps; ++i)
        axis.ticks << i * step;
    return axis;
}
