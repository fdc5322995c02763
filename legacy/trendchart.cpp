#include "trendchart.h"

#include "numbertext.h"
#include "twips.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPainter>

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

// Draws in twips on a pixel device, as the chart area's own drawing calls do.
class TwipPainter
{
public:
    TwipPainter(QImage &image, double dpi, const QColor &ink, const QFont &font)
        : painter(&image), pixelsPerTwip(dpi / twips::PerInch),
          area(0, 0, image.width() / pixelsPerTwip, image.height() / pixelsPerTwip)
    {
        painter.setPen(QPen(ink, 0));
        painter.setFont(font);
    }

    void line(double x1, double y1, double x2, double y2)
    {
        const std::optional<QLineF> inside = clipLine(QLineF(x1, y1, x2, y2), area);
        if (!inside)
            return;
        painter.drawLine(QLineF(px(inside->p1()), px(inside->p2())));
    }

    // The text's top left corner at (x, y).
    void text(double x, double y, const QString &text)
    {
        const QFontMetricsF metrics(painter.font(), painter.device());
        painter.drawText(px(QPointF(x, y)) + QPointF(0, metrics.ascent()), text);
    }

private:
    QPointF px(const QPointF &twip) const
    {
        return {std::round(twip.x() * pixelsPerTwip), std::round(twip.y() * pixelsPerTwip)};
    }

    QPainter painter;
    double pixelsPerTwip;
    QRectF area;
};

} // namespace

qint32 effectiveScale(qint32 chartScale)
{
    return chartScale == 0 ? 10 : chartScale;
}

int unitsPerCount(qint32 chartScale)
{
    return int(legacy::roundHalfEven(FullScaleHeight / effectiveScale(chartScale)));
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
        if (h == 10000) {
            point = 10000;
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
    const double rounded = legacy::roundHalfEven(value * 100000) / 100000;
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

void drawChart(QImage &image, double dpi, const std::array<double, legacy::PlotBufSize> &plotBuf,
               qint32 chartScale, const QColor &ink, const QFont &font)
{
    const qint32 scale = effectiveScale(chartScale);
    const int k = unitsPerCount(scale);
    TwipPainter p(image, dpi, ink, font);

    p.line(AxisX, AxisTopY, AxisX, AxisY);
    p.line(AxisX, AxisY, AxisEndX, AxisY);
    p.line(AxisX, AxisTopY, 450, 450);
    p.line(AxisX, AxisTopY, 630, 450);
    p.line(AxisEndX, AxisY, 9650, 4710);
    p.line(AxisEndX, AxisY, 9650, 4890);
    p.text(9960, 4703, QStringLiteral("T(S)"));
    p.text(0, 0, QStringLiteral("R(Ω)"));

    for (int i = 0; i <= 10; ++i) {
        const double y = 450 + 435.0 * i;
        p.line(400, y, AxisX, y);
        p.text(50, 350 + 435.0 * i, axisLabel(i, scale));
    }
    for (int j = 0; j <= 100; ++j) {
        const double y = 450 + 43.5 * j;
        p.line(500, y, AxisX, y);
    }
    for (int j = 0; j <= 15; ++j) {
        const double x = AxisX + MajorTimeStep * j;
        p.line(x, AxisY, x, 4950);
    }
    for (int j = 0; j <= 30; ++j) {
        const double x = AxisX + PointStep * 5 * j;
        p.line(x, AxisY, x, 4900);
    }
    for (int j = 0; j <= ChartPoints; ++j) {
        const double x = AxisX + PointStep * j;
        p.line(x, AxisY, x, 4860);
    }
    for (int a = 0; a < ChartPoints - 1; ++a) {
        const auto y = [&](int index) {
            return AxisY - k * plotBuf[std::size_t(index)] * CurveStretch;
        };
        p.line(AxisX + PointStep * a, y(a), AxisX + PointStep * (a + 1), y(a + 1));
    }
}

} // namespace trendchart
