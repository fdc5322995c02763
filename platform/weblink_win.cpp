#include "weblink.h"

#include <QProcess>

#include <windows.h>

void openWebLinkWithSystem(const QString &address)
{
    QProcess process;
    process.setProgram(QStringLiteral("cmd.exe"));
    process.setNativeArguments(QStringLiteral("/c start ") + address);
    // The command interpreter started from a windowed program would show a console window for
    // a moment, minimised or not: it runs without one. "start" still opens the browser, since
    // it hands the address to the shell (ShellExecute), which needs no console.
    process.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments *args) { args->flags |= CREATE_NO_WINDOW; });
    process.startDetached();
}
