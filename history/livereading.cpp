#include "livereading.h"

#include "historyrecord.h"
#include "ohms.h"
#include "protocol.h"

LiveReading decodeLiveReading(const unsigned char *frame)
{
    LiveReading reading;
    const protocol::ModeByte mode = protocol::splitMode(frame[0]);
    reading.decimals = mode.decimals;
    if (!protocol::isModernReadingFrame(frame))
        return reading;
    const std::optional<protocol::KindInfo> info = protocol::describeKind(mode.kind);
    if (!info)
        return reading;

    const protocol::ModernValues values = protocol::decodeModernValues(frame);
    reading.dataType = QString::fromUtf8(info->text);
    if (!isVoltageRecord(reading.dataType)) {
        reading.kind = LiveReading::Kind::Resistance;
        reading.unit = QString::fromUtf8(info->unit);
        reading.modeText = QStringLiteral("当前模式: %1 (%2)").arg(reading.dataType, reading.unit);
        reading.avg = values.avg;
        reading.max = values.max;
        reading.min = values.min;
        reading.avgOhms = toOhms(values.avg, reading.unit);
        reading.maxOhms = toOhms(values.max, reading.unit);
        reading.minOhms = toOhms(values.min, reading.unit);
        return reading;
    }

    reading.kind = LiveReading::Kind::Voltage;
    reading.modeText = QStringLiteral("当前模式: %1 (V)").arg(reading.dataType);
    reading.voltage = values.avg;
    reading.voltageText =
        protocol::isOverRange(values.avg)
            ? QStringLiteral("OL")
            : QStringLiteral("%1 V").arg(QString::number(values.avg, 'f', mode.decimals));
    return reading;
}

std::optional<bool> alarmRequest(bool alarmEnabled, bool alarmActive, double avgOhms,
                                 double threshold)
{
    if (alarmEnabled)
        return avgOhms >= threshold;
    if (alarmActive)
        return false;
    return std::nullopt;
}
