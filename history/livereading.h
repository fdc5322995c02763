#pragma once

// What one live reading frame means for the modern console's display, alarm and chart.
// No widgets, so the decoding rules can be tested alone.

#include <QString>

#include <optional>

struct LiveReading {
    enum class Kind { None, Resistance, Voltage };

    Kind kind = Kind::None; ///< None: the frame changes nothing but `decimals`
    int decimals = 0;       ///< low nibble of the mode byte, taken from every frame
    QString dataType;       ///< the kind's text, as a record of it stores it
    QString modeText;       ///< the mode line
    QString unit;           ///< resistance: "Ω" or "kΩ"
    double avg = 0;         ///< resistance, in `unit`; over range is 999999
    double max = 0;
    double min = 0;
    double avgOhms = 0; ///< the same in ohms (kΩ × 1000 unless over range)
    double maxOhms = 0;
    double minOhms = 0;
    double voltage = 0;  ///< voltage in V, negative for kind 5
    QString voltageText; ///< the big reading for a voltage: "230.5 V" or "OL"
};

/// Decodes an 11-byte frame the way the live page reads it.
LiveReading decodeLiveReading(const unsigned char *frame);

/// What the over-limit check asks of the alarm after a resistance reading: raise (true), clear
/// (false) or nothing. The threshold is in ohms.
std::optional<bool> alarmRequest(bool alarmEnabled, bool alarmActive, double avgOhms,
                                 double threshold);
