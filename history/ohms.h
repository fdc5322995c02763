#pragma once

// A resistance in ohms, whichever unit the instrument gave it in.

#include <QString>

/// `value`, given in `unit`, in ohms: kΩ times 1000, anything else as it is. Over range stays
/// over range.
double toOhms(double value, const QString &unit);
