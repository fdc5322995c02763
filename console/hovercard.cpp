#include "hovercard.h"

#include "valuetext.h"

#include "protocol.h"

#include <cmath>

namespace HoverCard
{

namespace
{

constexpr double CardGap = 12;

} // namespace

int nearestWhole(double value)
{
    return int(std::lround(value));
}

std::optional<double> valueAt(const QList<QPointF> &points, int reading)
{
    for (qsizetype i = points.size() - 1; i >= 0; --i) {
        const int x = nearestWhole(points[i].x());
        if (x > reading)
            continue;
        if (x == reading)
            return points[i].y();
        break;
    }
    return std::nullopt;
}

QString entryHtml(Curve curve, double value, int decimals)
{
    QString pattern;
    switch (curve) {
    case Curve::Max:
        pattern = QStringLiteral("<div style='color: #FF5252;'>最大阻值: %1 %2</div>");
        break;
    case Curve::Avg:
        pattern = QStringLiteral("<div style='color: #4CAF50;'>平均阻值: %1 %2</div>");
        break;
    case Curve::Min:
        pattern = QStringLiteral("<div style='color: #2196F3;'>最小阻值: %1 %2</div>");
        break;
    }
    const QString unit = protocol::isOverRange(value) ? QString() : QStringLiteral("Ω");
    return pattern.arg(formatResistance(value, decimals), unit);
}

QString cardHtml(const QStringList &entries)
{
    return QStringLiteral("<div style='background-color: rgba(30, 30, 30, 0.85); padding: 6px; "
                          "border-radius: 4px; border: 1px solid #555555;'>") +
           entries.join(QString()) + QStringLiteral("</div>");
}

double cardLeft(double cursorX, double cardWidth, double plotRight)
{
    const double right = cursorX + CardGap;
    if (right + cardWidth > plotRight)
        return cursorX - cardWidth - CardGap;
    return right;
}

} // namespace HoverCard
