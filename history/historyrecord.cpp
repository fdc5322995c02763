#include "historyrecord.h"

#include "protocol.h"

bool isVoltageRecord(const QString &dataType)
{
    return dataType.contains(QStringLiteral("电压"), Qt::CaseSensitive);
}

std::optional<HistoryRecord> decodeHistoryRecord(const std::uint8_t *frame, int recordIndex)
{
    const protocol::ModeByte mode = protocol::splitMode(frame[0]);
    const std::optional<protocol::KindInfo> kind = protocol::describeKind(mode.kind);
    if (!kind)
        return std::nullopt;

    const protocol::ModernValues values = protocol::decodeModernValues(frame);
    HistoryRecord record;
    record.record_index = recordIndex;
    record.data_type = QString::fromUtf8(kind->text);
    record.avg_value = values.avg;
    record.max_value = values.max;
    record.min_value = values.min;
    record.unit = QString::fromUtf8(kind->unit);
    record.battery = frame[1];
    return record;
}
