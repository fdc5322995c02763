#include "chartdrawing.h"

#include "trendchart.h"
#include "twips.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <cmath>

namespace trendchart
{

namespace
{

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
