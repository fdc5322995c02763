// Run by cups_print.sh against its private print server: prints 169 records from the main
// form through the print-options window ("全部") to the system's default printer.
#include <QAbstractButton> // before the modal driver, which clicks buttons

#include "form2.h"
#include "modaldriver.h"
#include "recordsprobe.h"

#include <QPrinterInfo>
#include <QRadioButton>
#include <QTest>

class LegacyPrintCups : public QObject
{
    Q_OBJECT

private slots:
    void printsAllRecordsOnTheDefaultPrinter();
};

void LegacyPrintCups::printsAllRecordsOnTheDefaultPrinter()
{
    withoutPorts();
    QCOMPARE(QPrinterInfo::defaultPrinter().printerName(),
             qEnvironmentVariable("TELVORO_EXPECTED_PRINTER"));
    legacy::LegacyState state;
    Form1 *form = Form1::load(state);
    Form1Probe::stopTimers(*form);
    downloadRecords(state, 169);
    control<QPushButton>(*form, "Command7")->click();

    Form2 *options = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *f = qobject_cast<Form2 *>(w); f && f->isVisible())
            options = f;
    }
    QVERIFY(options);
    control<QRadioButton>(*options, "Option2")->setChecked(true);
    ModalDriver driver; // a printer problem would show a message box
    driver.thenClick(QMessageBox::Ok);
    control<QPushButton>(*options, "Command1")->click();
    QVERIFY(QTest::qWaitFor([&] { return state.biaozi == 100; }, 30000));
    QTest::qWait(200);
    QVERIFY2(driver.seen.isEmpty(), qPrintable(driver.seen.value(0).text));
    QCOMPARE(state.jie, 169);
    qDeleteAll(shownMainForms());
}

QTEST_MAIN(LegacyPrintCups)
#include "legacy_print_cups.moc"
