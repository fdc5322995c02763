#include "makersite.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <QProcess>
#include <windows.h>
#else
#include <QDesktopServices>
#include <QUrl>
#endif

namespace makersite
{

QString makerLine()
{
    return QStringLiteral("泰沃罗测量仪器有限公司    网址: www.telvoro.example    "
                          "电子邮件: service@telvoro.example");
}

QString address()
{
    return QStringLiteral("http://www.telvoro.example");
}

void open()
{
#ifdef Q_OS_WIN
    QProcess process;
    process.setProgram(QStringLiteral("cmd.exe"));
    process.setNativeArguments(QStringLiteral("/c start ") + address());
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_SHOWMINIMIZED;
    });
    process.startDetached();
#else
    QDesktopServices::openUrl(QUrl(address()));
#endif
}

} // namespace makersite
