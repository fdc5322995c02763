#include "livereading.h"

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
    if (mode.kind == 1 || mode.kind == 3) {
        reading.kind = LiveReading::Kind::Resistance;
        reading.unit = QString::fromUtf8(info->unit);
        reading.modeText = QStringLiteral("当前模式: 接地电阻 (%1)").arg(reading.unit);
        reading.avg = values.avg;
        reading.max = values.max;
        reading.min = values.min;
        const double scale = mode.kind == 3 ? 1000.0 : 1.0;
        const auto inOhms = [scale](double value) {
            return protocol::isOverRange(value) ? value : value * scale;
        };
        reading.avgOhms = inOhms(values.avg);
        reading.maxOhms = inOhms(values.max);
        reading.minOhms = inOhms(values.min);
        return reading;
    }

    reading.kind = LiveReading::Kind::Voltage;
    reading.modeText = QStringLiteral("当前模式: %1 (V)").arg(QString::fromUtf8(info->text));
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
