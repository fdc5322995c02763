#include "weblink.h"

#include <QDesktopServices>
#include <QUrl>

// There is no command interpreter with "start" here; the desktop's opener does the same.
void openWebLinkWithSystem(const QString &address)
{
    QDesktopServices::openUrl(QUrl(address));
}
