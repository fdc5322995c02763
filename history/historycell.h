#pragma once

// How a history record reads, cell by cell. The history table and the CSV report both use
// these rules, so the report reads exactly like the screen.

#include "historyrecord.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <Qt>

#include <optional>

/// One cell of a history row: its text, and the alignment and text colour it sets (none means
/// the table's defaults).
struct HistoryCell {
    QString text;
    std::optional<Qt::Alignment> alignment;
    QString colour; ///< "#RRGGBB", empty for the style sheet's colour
};

namespace HistoryCells
{

constexpr int ColumnCount = 7;

/// The column headers, in column order.
QStringList headers();

/// "OL" at or above the over-range value, otherwise printf's %g (six significant digits).
QString formatValue(double value);

/// "低电量" for any non-zero battery state, "正常" for 0.
QString batteryText(int battery);

/// The seven cells of a record, in column order.
QList<HistoryCell> rowCells(const HistoryRecord &record);

/// The seven texts of a record, in column order.
QStringList rowTexts(const HistoryRecord &record);

} // namespace HistoryCells
