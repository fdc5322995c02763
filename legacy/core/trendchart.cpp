#include "trendchart.h"

#include "protocol.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace trendchart
{

namespace
{

QString shortestDecimal(double value)
{
    return QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace

qint32 effectiveScale(qint32 chartScale)
{
    return chartScale == 0 ? 10 : chartScale;
}

int unitsPerCount(qint32 chartScale)
{
    return int(std::nearbyint(FullScaleHeight / effectiveScale(chartScale)));
}

QString axisLabel(int i, qint32 chartScale)
{
    const qint32 scale = effectiveScale(chartScale);
    const double v = double(10 - i) * scale;
    QString label = shortestDecimal(v / 10);
    if (scale <= 10 && v / 10 >= 1)
        label += QStringLiteral(".0");
    if (v < 10)
        label.prepend(u' ');
    return label;
}

void fillPlot(legacy::LegacyState &state,
              const std::array<qint32, legacy::HistorySize + 1> &history)
{
    for (int i = 0; i < ChartPoints; ++i) {
        double &point = state.plotBuf[std::size_t(ChartPoints - 1 - i)];
        const qint32 h = history[std::size_t(i)];
        if (h == protocol::OverRangeRaw) {
            point = protocol::OverRangeRaw;
            continue;
        }
        switch (state.histDec[std::size_t(i)]) {
        case 0:
            point = h;
            break;
        case 1:
            point = h / 10.0;
            break;
        case 2:
            point = h / 100.0;
            break;
        default:
            break;
        }
    }
}

qint32 scaleAfterDrag(qint32 chartScale, qint32 pressY, double releaseY)
{
    qint32 scale = effectiveScale(chartScale);
    if (releaseY > pressY + DragThreshold) {
        switch (scale) {
        case 10:
            scale = 1;
            break;
        case 100:
            scale = 10;
            break;
        case 1000:
            scale = 100;
            break;
        case 2000:
            scale = 1000;
            break;
        default:
            break;
        }
    }
    if (releaseY + DragThreshold < pressY) {
        switch (scale) {
        case 1:
            scale = 10;
            break;
        case 10:
            scale = 100;
            break;
        case 100:
            scale = 1000;
            break;
        case 1000:
            scale = 2000;
            break;
        default:
            break;
        }
    }
    return scale;
}

QString cursorValueText(double y, double innerHeight, qint32 chartScale)
{
    const double limited = std::max(std::min(y, innerHeight - 675), 450.0);
    const double value = (AxisY - limited) / FullScaleHeight * effectiveScale(chartScale);
    const double rounded = std::nearbyint(value * 100000) / 100000;
    return shortestDecimal(rounded) + QStringLiteral("Ω");
}

std::optional<QLineF> clipLine(const QLineF &line, const QRectF &area)
{
    // Liang-Barsky against the area's edges.
    const double dx = line.dx();
    const double dy = line.dy();
    double t0 = 0;
    double t1 = 1;
    const auto edge = [&](double p, double q) {
        if (p == 0)
            return q >= 0;
        const double t = q / p;
        if (p < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        return t0 <= t1;
    };
    if (!edge(-dx, line.x1() - area.left()) || !edge(dx, area.right() - line.x1()) ||
        !edge(-dy, line.y1() - area.top()) || !edge(dy, area.bottom() - line.y1()))
        return std::nullopt;
    return QLineF(line.pointAt(t0), line.pointAt(t1));
}

} // namespace trendchart
