#pragma once

#include "legacystate.h"

#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

/// The legacy trend chart's rules: the last 150 live readings as points, the full scale changed
/// by dragging, the axis labels and the read-out under the pointer, all in twips.
namespace trendchart
{

/// Points of one curve.
constexpr int ChartPoints = 150;
/// The time axis and the top of the resistance axis, in twips.
constexpr double AxisX = 540;
constexpr double AxisY = 4800;
constexpr double AxisEndX = 9800;
constexpr double AxisTopY = 300;
/// Horizontal step between two points and the curve's vertical stretch, used as written.
constexpr double PointStep = 60.73333;
constexpr double MajorTimeStep = 607.3333;
constexpr double CurveStretch = 1.089;
/// Height of the resistance axis from 0 to full scale, in twips.
constexpr double FullScaleHeight = 4350;
/// A drag has to move further than this (twips) to change the scale.
constexpr double DragThreshold = 600;

/// `chartScale` as the chart uses it: 0 stands for 10.
qint32 effectiveScale(qint32 chartScale);

/// Twips per count at the scale: 4350 / scale rounded half to even.
int unitsPerCount(qint32 chartScale);

/// Label i (0 at the top, 10 at the time axis) of the resistance axis.
QString axisLabel(int i, qint32 chartScale);

/// Fills `plotBuf` 0..149 from a history array, newest entry at the right end; the
/// over-range mark (`protocol::OverRangeRaw`) stays as it is, other entries are divided by
/// their decimal code (0, 1, 2) and entries with any other code are left as they were.
void fillPlot(legacy::LegacyState &state,
              const std::array<qint32, legacy::HistorySize + 1> &history);

/// The scale after a press at `pressY` and a release at `releaseY`.
qint32 scaleAfterDrag(qint32 chartScale, qint32 pressY, double releaseY);

/// The read-out for the pointer at `y` in an area `innerHeight` twips high: the value at that
/// height, rounded to 5 decimals, with "Ω".
QString cursorValueText(double y, double innerHeight, qint32 chartScale);

/// Clips a line to `area` (twips); no line when nothing of it lies inside.
std::optional<QLineF> clipLine(const QLineF &line, const QRectF &area);

} // namespace trendchart
