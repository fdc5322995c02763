#include "logname.h"

namespace LogName
{

QString inPlainLine(const QString &name)
{
    return name.contains(u'<') ? name.toHtmlEscaped() : name;
}

QString inHtmlLine(const QString &name)
{
    return name.toHtmlEscaped();
}

} // namespace LogName
