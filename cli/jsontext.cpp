#include "jsontext.h"

#include "protocol.h"

#include <QLocale>

#include <cmath>

bool Measurement::overRange() const
{
    if (voltage)
        return protocol::isOverRange(avg);
    return protocol::isOverRange(avg) || protocol::isOverRange(max) || protocol::isOverRange(min);
}

namespace JsonText
{

QString string(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString number(double value)
{
    if (!std::isfinite(value) || protocol::isOverRange(value))
        return QStringLiteral("null");
    // A reversed DC voltage of zero decodes as -0; it reads as 0, as everywhere else.
    return QString::number(value + 0.0, 'g', QLocale::FloatingPointShortest);
}

QString measurementFields(const Measurement &m)
{
    QString fields = QStringLiteral("\"kind\":%1,\"unit\":%2,").arg(string(m.kind), string(m.unit));
    if (m.voltage)
        fields += QStringLiteral("\"value\":%1,").arg(number(m.avg));
    else
        fields += QStringLiteral("\"avg\":%1,\"max\":%2,\"min\":%3,")
                      .arg(number(m.avg), number(m.max), number(m.min));
    const auto boolean = [](bool b) {
        return b ? QStringLiteral("true") : QStringLiteral("false");
    };
    return fields + QStringLiteral("\"over_range\":%1,\"battery_low\":%2")
                        .arg(boolean(m.overRange()), boolean(m.batteryLow));
}

} // namespace JsonText
