#include "recordjson.h"

#include "jsontext.h"
#include "measurementkind.h"

namespace RecordJson
{

QString object(const HistoryRecord &record)
{
    Measurement m;
    m.kind = MeasurementKind::name(record.data_type);
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
