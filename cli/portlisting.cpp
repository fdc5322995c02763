#include "portlisting.h"

#include "jsontext.h"

#include <QStringList>

namespace PortListing
{

QString line(const PortEntry &port, bool instrument)
{
    QString text = PortCatalogue::shownName(port);
    if (!port.description.isEmpty())
        text += QStringLiteral("  ") + port.description;
    if (instrument)
        text += QStringLiteral("  [instrument]");
    return text;
}

QByteArray json(const QList<PortEntry> &ports, const std::optional<QString> &found)
{
    QStringList objects;
    for (const PortEntry &port : ports) {
        QString object =
            QStringLiteral("{\"path\":%1,\"description\":%2")
                .arg(JsonText::string(PortCatalogue::shownName(port)),
                     JsonText::string(port.description));
        if (found)
            object += port.systemLocation == *found ? QStringLiteral(",\"instrument\":true")
                                                    : QStringLiteral(",\"instrument\":false");
        objects << object + QLatin1Char('}');
    }
    QString document = QStringLiteral("[\n");
    if (!objects.isEmpty())
        document += objects.join(QStringLiteral(",\n")) + QLatin1Char('\n');
    return (document + QStringLiteral("]\n")).toUtf8();
}

} // namespace PortListing
