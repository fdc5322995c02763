#include "targetfile.h"

#include <QDir>
#include <QFileInfo>

namespace TargetFile
{

QString whyNotWritable(const QString &path)
{
    const QFileInfo target(path);
    if (target.isDir())
        return QStringLiteral("it is a folder");
    if (target.exists() && !target.isWritable())
        return QStringLiteral("it is read-only");
    if (target.exists() && !target.isFile())
        return QString();
    const QFileInfo folder(target.absolutePath());
    const QString name = QDir::toNativeSeparators(folder.filePath());
    if (!folder.exists())
        return QStringLiteral("there is no folder %1").arg(name);
    if (!folder.isDir())
        return QStringLiteral("%1 is not a folder").arg(name);
    if (!folder.isWritable())
        return QStringLiteral("the folder %1 cannot be written").arg(name);
    return QString();
}

} // namespace TargetFile
