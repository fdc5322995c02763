#include "ohms.h"

#include "protocol.h"

double toOhms(double value, const QString &unit)
{
    if (protocol::isOverRange(value) || unit != QStringLiteral("kΩ"))
        return value;
    return value * 1000;
}
