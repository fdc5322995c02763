#include "portpath.h"

namespace PortPath
{

QString fromUser(const QString &name)
{
    return name;
}

} // namespace PortPath
