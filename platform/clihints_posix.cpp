#include "clihints.h"

namespace CliHints
{

QByteArray headlessPlatform()
{
    return "offscreen";
}

QString chineseFontHint()
{
    return QStringLiteral("Debian: apt install fonts-noto-cjk");
}

QString portAccessHint()
{
    return QStringLiteral("A port refused access: either another program holds it, or your user "
                          "may not use serial ports. Add it to the dialout group "
                          "(sudo usermod -aG dialout $USER) and log in again.");
}

} // namespace CliHints
