#include "form1.h"
#include "legacystate.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The module state outlives every load of the main form.
    const auto state = std::make_unique<legacy::LegacyState>();
    auto *form = new Form1(*state);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();
    return app.exec();
}
