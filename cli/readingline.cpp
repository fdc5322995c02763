#include "readingline.h"

#include "framescanner.h"
#include "livereading.h"
#include "measurementkind.h"
#include "valuetext.h"

#include <QStringList>

#include <cstdlib>

namespace
{

QString boolean(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString text(const TimedReading &r)
{
    const Measurement &m = r.measurement;
    const auto value = [&r, &m](double v) {
        return formatValueWithUnit(v, r.decimals, m.unit).rightJustified(12);
    };
    QString line = ReadingLine::timestamp(r.time) + QStringLiteral("  ");
    if (!r.measured)
        line += QStringLiteral("no measurement");
    else if (m.voltage)
        line += MeasurementKind::label(m.kind) + QStringLiteral("  ") + value(m.avg);
    else
        line += MeasurementKind::label(m.kind) + QStringLiteral("  avg %1  max %2  min %3")
                                                     .arg(value(m.avg), value(m.max), value(m.min));
    if (m.batteryLow)
        line += QStringLiteral("  battery low");
    return line;
}

QString csv(const TimedReading &r)
{
    const Measurement &m = r.measurement;
    if (!r.measured)
        return QStringLiteral("%1,none,,,,,,,%2")
            .arg(ReadingLine::timestamp(r.time), boolean(m.batteryLow));
    // Over range is an empty cell, as it is null in JSON; the over_range column says why.
    const auto cell = [](double v) {
        const QString number = JsonText::number(v);
        return number == QLatin1String("null") ? QString() : number;
    };
    const QStringList cells = {
        ReadingLine::timestamp(r.time),
        m.kind,
        m.unit,
        m.voltage ? QString() : cell(m.avg),
        m.voltage ? QString() : cell(m.max),
        m.voltage ? QString() : cell(m.min),
        m.voltage ? cell(m.avg) : QString(),
        boolean(m.overRange()),
        boolean(m.batteryLow),
    };
    return cells.join(QLatin1Char(','));
}

QString json(const TimedReading &r)
{
    const QString time = JsonText::string(ReadingLine::timestamp(r.time));
    if (!r.measured)
        return QStringLiteral("{\"time\":%1,\"kind\":\"none\",\"battery_low\":%2}")
            .arg(time, boolean(r.measurement.batteryLow));
    return QStringLiteral("{\"time\":%1,%2}").arg(time, JsonText::measurementFields(r.measurement));
}

} // namespace

namespace ReadingLine
{

bool isReadingFrame(const protocol::InstrumentFrame &frame)
{
    return protocol::routeFrame(frame.data(), {}) == protocol::FrameRoute::Reading;
}

TimedReading decode(const protocol::InstrumentFrame &frame, const QDateTime &time)
{
    const LiveReading live = decodeLiveReading(frame.data());
    TimedReading reading;
    reading.time = time;
    reading.decimals = live.decimals;
    Measurement &m = reading.measurement;
    m.batteryLow = frame[1] != 0;
    if (live.kind == LiveReading::Kind::None) {
        reading.measured = false;
        return reading;
    }
    m.kind = MeasurementKind::name(live.dataType);
    if (live.kind == LiveReading::Kind::Voltage) {
        m.voltage = true;
        m.unit = QStringLiteral("V");
        m.avg = live.voltage;
    } else {
        m.unit = live.unit;
        m.avg = live.avg;
        m.max = live.max;
        m.min = live.min;
    }
    return reading;
}

QString timestamp(const QDateTime &time)
{
    const QDateTime local = time.toLocalTime();
    // Always "+hh:mm", also for UTC, where Qt's ISO form would write "Z".
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           QStringLiteral("%1%2:%3")
               .arg(QChar(offset < 0 ? u'-' : u'+'))
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString csvHeader()
{
    return QStringLiteral("time,kind,unit,avg,max,min,value,over_range,battery_low");
}

QString format(const TimedReading &reading, LineFormat format)
{
    switch (format) {
    case LineFormat::Json:
        return json(reading);
    case LineFormat::Csv:
        return csv(reading);
    case LineFormat::Text:
        break;
    }
    return text(reading);
}

} // namespace ReadingLine
