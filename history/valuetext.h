#pragma once

// How the modern console writes a measured value: over range as "OL", everything else in
// fixed-point notation with the decimals of the reading.

#include <QString>

/// "OL" when `value` is over range (at least 999999), otherwise `value` in fixed-point notation
/// with `decimals` decimals, e.g. "12.35".
QString formatResistance(double value, int decimals);

/// "OL" when `value` is over range, otherwise the number as `formatResistance` writes it, one
/// space and `unit`, e.g. "12.35 Ω" or "-12.34 V".
QString formatValueWithUnit(double value, int decimals, const QString &unit);
