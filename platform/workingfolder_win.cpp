#include "workingfolder.h"

#include <QDir>
#include <QStandardPaths>

namespace workingfolder
{

// Programs live in Program Files, which only administrators may write; a Start-menu shortcut
// without a working folder starts the program there. Windows does not redirect the writes
// (the program declares it runs as the invoker), so the history would be lost.
void settle()
{
    const QString current = QDir::currentPath();
    const QString folder =
        choose(current, isWritable(current),
               QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    if (folder != current && QDir().mkpath(folder))
        QDir::setCurrent(folder);
}

} // namespace workingfolder
