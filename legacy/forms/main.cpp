#include "form1.h"
#include "form3.h"
#include "legacystate.h"
#include "workingfolder.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    workingfolder::settle();
    QApplication app(argc, argv);
    // Lets desktop shells match the windows to the installed entry and show its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("telvoro"));
    // The module state outlives every load of the main form.
    const auto state = std::make_unique<legacy::LegacyState>();
    auto *splash = new Form3;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(splash, &Form3::handOver, &app, [&state] { Form1::load(*state); });
    splash->show();
    return app.exec();
}
