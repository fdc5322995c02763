#pragma once

// The pieces of the JSON that telvoro-cli writes: one measurement's fields, in the documented
// order, shared by live readings and stored records.

#include <QString>

/// One measurement as it goes out: a resistance with its three values or a voltage.
struct Measurement {
    QString kind; ///< "resistance", "ac_voltage" or "dc_voltage"
    QString unit; ///< "Ω", "kΩ" or "V"
    bool voltage = false;
    double avg = 0; ///< a voltage's value; over range is 999999
    double max = 0; ///< resistances only
    double min = 0;
    bool batteryLow = false;

    /// Any of the values it shows is over range.
    bool overRange() const;
};

namespace JsonText
{

/// `text` as a JSON string, quotes included.
QString string(const QString &text);

/// `value` as a JSON number in its shortest exact form; null when over range (or not finite).
QString number(double value);

/// `"kind":…,"unit":…,` then `"avg":…,"max":…,"min":…` or `"value":…`, then
/// `"over_range":…,"battery_low":…`: the fields of an object, without braces.
QString measurementFields(const Measurement &measurement);

} // namespace JsonText
