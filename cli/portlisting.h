#pragma once

// What `ports` prints: one line a port, or a JSON array with one port object a line.

#include "portcatalogue.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace PortListing
{

/// "PATH  description", and "  [instrument]" when it is the port that answered.
QString line(const PortEntry &port, bool instrument);

/// "[", then `{"path":…,"description":…}` for each port, one a line, separated by commas, "]"
/// and a line end; UTF-8. After a probe (`found` given, empty when nothing answered) each
/// object also has "instrument": true for the port that answered, false for the others.
QByteArray json(const QList<PortEntry> &ports, const std::optional<QString> &found);

} // namespace PortListing
