#include "clihints.h"

namespace CliHints
{

// Qt for Windows is shipped without the offscreen plugin. The minimal one draws without a
// window as well, and reads the system's fonts when asked to (without them the report would
// find no Chinese font).
QByteArray headlessPlatform()
{
    return "minimal:enable_fonts";
}

QString chineseFontHint()
{
    return QStringLiteral("Windows: Settings, Apps, Optional features, add \"Chinese (Simplified) "
                          "Supplemental Fonts\"");
}

// Windows has no group that may use serial ports: a refusal means the port is taken, or the
// adapter's driver is in trouble.
QString portAccessHint()
{
    return QStringLiteral("A port refused access: either another program holds it (close it), or "
                          "the adapter's driver refuses it (unplug the adapter and plug it in "
                          "again; if that does not help, reinstall its driver).");
}

} // namespace CliHints
