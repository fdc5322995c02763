#include "recordjson.h"

#include "jsontext.h"

namespace
{

QString kindName(const QString &dataType)
{
    if (dataType == QStringLiteral("接地电阻"))
        return QStringLiteral("resistance");
    if (dataType == QStringLiteral("交流电压"))
        return QStringLiteral("ac_voltage");
    if (dataType == QStringLiteral("直流电压"))
        return QStringLiteral("dc_voltage");
    // A database written by something else may hold other texts: they go out as stored.
    return dataType;
}

} // namespace

namespace RecordJson
{

QString object(const HistoryRecord &record)
{
    Measurement m;
    m.kind = kindName(record.data_type);
    m.unit = record.unit;
    m.voltage = isVoltageRecord(record.data_type);
    m.avg = record.avg_value;
    m.max = record.max_value;
    m.min = record.min_value;
    m.batteryLow = record.battery != 0;
    return QStringLiteral("{\"record\":%1,%2}")
        .arg(QString::number(record.record_index), JsonText::measurementFields(m));
}

QByteArray document(const QList<HistoryRecord> &records)
{
    QByteArray out = "[\n";
    for (qsizetype i = 0; i < records.size(); ++i) {
        out += object(records[i]).toUtf8();
        out += i + 1 < records.size() ? ",\n" : "\n";
    }
    return out + "]\n";
}

} // namespace RecordJson
