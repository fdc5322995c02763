#pragma once

// One live reading as `read` and `watch` print it: aligned text, a JSON line or a CSV line.

#include "jsontext.h"
#include "protocol.h"

#include <QDateTime>
#include <QString>

/// A reading frame with the moment it arrived.
struct TimedReading {
    QDateTime time; ///< local time
    /// False when the instrument answered but has no measurement to show (kinds 0 and 6..15):
    /// then only `measurement.batteryLow` means anything.
    bool measured = true;
    Measurement measurement;
    int decimals = 0; ///< of the reading, for the text form
};

enum class LineFormat { Text, Json, Csv };

namespace ReadingLine
{

/// A frame that answers a reading request.
bool isReadingFrame(const protocol::InstrumentFrame &frame);

/// Decodes a reading frame as the modern console's live page does; a frame of kind 0 or 6..15
/// is a reading without a measurement, not a missing answer.
TimedReading decode(const protocol::InstrumentFrame &frame, const QDateTime &time);

/// ISO 8601 local time with milliseconds and its offset from UTC:
/// "2024-03-15T14:25:30.250+08:00".
QString timestamp(const QDateTime &time);

/// The header line of the CSV form.
QString csvHeader();

/// The reading as one line of `format`, without its line end.
QString format(const TimedReading &reading, LineFormat format);

} // namespace ReadingLine
