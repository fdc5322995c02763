#pragma once

// Names that come from outside (port names from the system or the environment, file names the
// user chose) put into a log line. The log panel takes a line for HTML once it holds something
// tag-like, so a name could otherwise lose characters or add markup of its own.

#include <QString>

namespace LogName
{

/// `name` for a line that stays plain text: escaped only when it holds a '<', for which the
/// panel would take the whole line for HTML; escaping any other line would show the entities.
QString inPlainLine(const QString &name);

/// `name` for a line that is HTML already: always escaped, so it reads as written.
QString inHtmlLine(const QString &name);

} // namespace LogName
