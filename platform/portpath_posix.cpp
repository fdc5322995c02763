#include "portpath.h"

#include <QDir>

namespace PortPath
{

QString fromUser(const QString &name)
{
    if (name.isEmpty() || !QDir::isRelativePath(name))
        return name;
    return QDir::cleanPath(QDir::current().absoluteFilePath(name));
}

} // namespace PortPath
