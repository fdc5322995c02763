#include "valuetext.h"

#include "protocol.h"

QString formatResistance(double value, int decimals)
{
    if (protocol::isOverRange(value))
        return QStringLiteral("OL");
    return QString::number(value, 'f', decimals);
}

QString formatValueWithUnit(double value, int decimals, const QString &unit)
{
    if (protocol::isOverRange(value))
        return QStringLiteral("OL");
    return formatResistance(value, decimals) + QLatin1Char(' ') + unit;
}
