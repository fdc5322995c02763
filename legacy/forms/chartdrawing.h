#pragma once

#include "legacystate.h"

#include <array>

class QColor;
class QFont;
class QImage;

/// Paints the legacy trend chart into the chart area's persistent image, in twips as the area's
/// own drawing calls do; the chart's rules are in trendchart.h.
namespace trendchart
{

/// Draws the frame and the curve in `plotBuf` into `image` (`dpi` pixels per inch), lines and
/// texts in `ink`, texts in `font`.
void drawChart(QImage &image, double dpi, const std::array<double, legacy::PlotBufSize> &plotBuf,
               qint32 chartScale, const QColor &ink, const QFont &font);

} // namespace trendchart
