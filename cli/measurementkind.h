#pragma once

// The names telvoro-cli gives the instrument's measurement kinds, for live readings and stored
// records alike.

#include <QString>

namespace MeasurementKind
{

/// The name a kind goes out under, from its data type ("接地电阻", "交流电压", "直流电压"):
/// "resistance", "ac_voltage", "dc_voltage". A text another program stored goes out as it is.
QString name(const QString &dataType);

/// A kind's `name` for people, all of one width: "resistance", "AC voltage", "DC voltage".
QString label(const QString &name);

} // namespace MeasurementKind
