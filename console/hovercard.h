#pragma once

// The trend chart's hover card without widgets: which reading the cursor stands on, what a
// curve holds there, the card's HTML and where the card goes.

#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <optional>

namespace HoverCard
{

/// The three curves, in the order the card lists them.
enum class Curve { Max, Avg, Min };

/// Nearest whole number, halves away from zero (2.5 gives 3, -2.5 gives -3).
int nearestWhole(double value);

/// The y of the point whose x rounds to `reading`. `points` is sorted by x; the search walks
/// from the newest point backwards and stops at the first point that does not lie after
/// `reading`, so hovering recent readings stays cheap however long the series grows.
std::optional<double> valueAt(const QList<QPointF> &points, int reading);

/// One line of the card for `curve`: its label, the value ("OL" when over range, otherwise
/// `decimals` decimals) and the unit "Ω" (none for "OL").
QString entryHtml(Curve curve, double value, int decimals);

/// The dark card around `entries`, which are lines made by `entryHtml`.
QString cardHtml(const QStringList &entries);

/// The card's left edge: 12 px right of the cursor, or 12 px left of it when the card would
/// pass `plotRight` there.
double cardLeft(double cursorX, double cardWidth, double plotRight);

} // namespace HoverCard
