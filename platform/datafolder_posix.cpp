#include "datafolder.h"

#include <QDir>

namespace datafolder
{

// There is no drive c: here; the user's home holds the folder instead.
QString path()
{
    return QDir::home().filePath(QStringLiteral("KOVA"));
}

} // namespace datafolder
