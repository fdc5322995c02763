#include "portpath.h"

#ifdef Q_OS_WIN
namespace PortPath
{

QString fromUser(const QString &name)
{
    return name;
}

} // namespace PortPath
#endif
