// The print command: the print-options window replaces the main form until it hands back,
// then the confirmed range goes to the default printer.
#include "form1.h"

#include "form2.h"
#include "legacyfonts.h"
#include "legacyprinter.h"
#include "printlayout.h"

#include <QApplication>

void Form1::Command7_Click()
{
    state.biaozi = legacy::OptionsOpen;
    auto *options = new Form2(state);
    options->setAttribute(Qt::WA_DeleteOnClose);
    legacy::LegacyState &shared = state;
    // This form is gone by then: the print goes on in the main form the options window shows.
    connect(options, &Form2::handingBack, qApp, [&shared] {
        Form1 *main = Form1::load(shared);
        QMetaObject::invokeMethod(main, &Form1::finishPrintCommand, Qt::QueuedConnection);
    });
    options->show();
    close();
}

void Form1::finishPrintCommand()
{
    if (state.biaozi == legacy::PrintConfirmed)
        printConfirmedRange();
    state.biaozi = legacy::OptionsOpen;
}

void Form1::printConfirmedRange()
{
    QString problem;
    const std::unique_ptr<legacyprinter::PrintSurface> printer =
        legacyprinter::openDefaultPrinter(&problem);
    if (!printer) {
        reportFailure(problem);
        return;
    }
    legacy::printRange(*printer, state, state.kai, state.jie, valueFormatter(),
                       legacyfonts::songFamily());
    if (printer->failed())
        reportFailure(QStringLiteral("打印机出错，打印已取消，没有打印任何内容。"));
}
