#pragma once

// The trend's value axis: where a value sits and which values get a grid line. Linear from
// zero, or logarithmic when the values span more than two decades: one reading in kΩ among
// readings of a few ohms would otherwise flatten every other record onto the floor.

#include <QList>
#include <QString>

#include <optional>

/// A value axis in ohms.
struct TrendAxis {
    bool logarithmic = false;
    double bottom = 0;
    double top = 1;
    QList<double> ticks; ///< values with a grid line and a label, bottom to top

    /// Where `value` sits: 0 at the bottom, 1 at the top; values below the bottom sit on it.
    double fraction(double value) const;
};

/// A round step for about `ticks` divisions of `span` (1, 2 or 5 times a power of ten).
double niceStep(double span, int ticks);

/// A grid line's value in plain digits, to six significant ones: "0.3", "1000000" (an axis
/// value is no reading: never "OL").
QString tickText(double value);

/// The axis that shows every one of `values` (ohms, none over range) and the limit.
TrendAxis trendAxis(const QList<double> &values, std::optional<double> limitOhms);
