#include "measurementkind.h"

namespace MeasurementKind
{

QString name(const QString &dataType)
{
    if (dataType == QStringLiteral("接地电阻"))
        return QStringLiteral("resistance");
    if (dataType == QStringLiteral("交流电压"))
        return QStringLiteral("ac_voltage");
    if (dataType == QStringLiteral("直流电压"))
        return QStringLiteral("dc_voltage");
    return dataType;
}

QString label(const QString &name)
{
    if (name == QLatin1String("resistance"))
        return QStringLiteral("resistance");
    return name == QLatin1String("ac_voltage") ? QStringLiteral("AC voltage")
                                               : QStringLiteral("DC voltage");
}

} // namespace MeasurementKind
