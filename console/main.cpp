#include "mainwindow.h"
#include "workingfolder.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    workingfolder::settle();
    QApplication app(argc, argv);
    // Lets desktop shells match the windows to the installed entry and show its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("telvoro-console"));
    MainWindow window;
    window.resize(1200, 800);
    window.show();
    return app.exec();
}
