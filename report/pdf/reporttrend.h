#pragma once

// The report's trend picture: each resistance record's average in ohms against its record
// number, and the limit as a line when there is one.

#include "historyrecord.h"

#include <QFont>
#include <QList>
#include <QRectF>

#include <optional>

class QPainter;

/// Draws the trend into `box`; `labels` is the font of the axis texts, `unit` device units per
/// point (line widths and gaps are given in points).
void drawTrend(QPainter &painter, const QRectF &box, const QList<HistoryRecord> &records,
               std::optional<double> limitOhms, const QFont &labels, double unit);
