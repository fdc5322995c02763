#include "datafolder.h"

#include <QDir>

namespace datafolder
{

QString path()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\KOVA");
#else
    return QDir::home().filePath(QStringLiteral("KOVA"));
#endif
}

bool ensure()
{
    return QDir().mkpath(path());
}

} // namespace datafolder
