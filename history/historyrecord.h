#pragma once

#include <QString>

#include <cstdint>
#include <optional>

/// One test record of the modern console's history: one row of the table HistoryData.
/// The fields carry the column names.
struct HistoryRecord {
    int record_index = 0;
    QString data_type;
    double avg_value = 0;
    double max_value = 0;
    double min_value = 0;
    QString unit;
    int battery = 0; ///< 0 normal, anything else low
};

/// A record is a voltage record when its data type names a voltage.
bool isVoltageRecord(const QString &dataType);

/// Decodes the 11 bytes of a record frame into the record numbered `recordIndex` (the console's
/// own count, never the frame's marker). Kinds without a measurement give nothing.
std::optional<HistoryRecord> decodeHistoryRecord(const std::uint8_t *frame, int recordIndex);
