// Printing: the page layout through a recording printer, the range rules, the print-options
// window's flows through the real forms, and pages rendered to images and to a PDF.
#include <QAbstractButton> // before the modal driver, which clicks buttons

#include "controltable.h"
#include "form2.h"
#include "legacyfonts.h"
#include "legacyprinter.h"
#include "modaldriver.h"
#include "printlayout.h"
#include "recordingsurface.h"
#include "recordsprobe.h"
#include "twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace legacy;

namespace
{

// Lines of a printed page to look for, as {left record, right record or 0}, per page.
using SpotChecks = QList<QList<QPair<int, int>>>;

QString part(const LegacyState &state, int n)
{
    return reportPart(state, n, plainValue);
}

QString pair(const LegacyState &state, int left, int right)
{
    return part(state, left) + QStringLiteral("   ") + part(state, right);
}

Form2 *shownOptionsWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *f = qobject_cast<Form2 *>(w); f && f->isVisible())
            return f;
    }
    return nullptr;
}

// Darkest row of an image, from the bottom: where the last printed line ends.
int lastInkRow(const QImage &page)
{
    for (int y = page.height() - 1; y >= 0; --y) {
        for (int x = 0; x < page.width(); ++x) {
            if (qGray(page.pixel(x, y)) < 128)
                return y;
        }
    }
    return -1;
}

int lastInkColumn(const QImage &page)
{
    for (int x = page.width() - 1; x >= 0; --x) {
        for (int y = 0; y < page.height(); ++y) {
            if (qGray(page.pixel(x, y)) < 128)
                return x;
        }
    }
    return -1;
}

} // namespace

class TestLegacyPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { withoutPorts(); }
    void init();
    void cleanup();

    void optionsWindowControls_data();
    void optionsWindowControls();
    void pagesAnnounced_data();
    void pagesAnnounced();
    void ranges_data();
    void ranges();
    void pageLayout_data();
    void pageLayout();
    void headerAndFonts();
    void absentRecordsOnTheLeftOnly();

    void printAllThroughTheOptionsWindow();
    void printRangeKeepsTheRecords();
    void cancelKeepsTheRecords_data();
    void cancelKeepsTheRecords();
    void badRangeIsRefused_data();
    void badRangeIsRefused();
    void noPrinterIsReported();
    void printerErrorIsReported();
    void defaultPrinterMissing();

    void pagesFitTheSheet();
    void pdfCarriesTheText();

private:
    // Loads a main form like the program does, downloads `records` records into it and opens
    // the print-options window.
    Form2 *openOptions(int records);
    Form1 *waitForMainForm();

    std::unique_ptr<LegacyState> state;
    RecordingSurface recorder;
};

void TestLegacyPrint::init()
{
    state = std::make_unique<LegacyState>();
    resetOnLoad(*state);
    recorder = RecordingSurface();
    legacyprinter::setOpener(
        [this](QString *) { return std::make_unique<ForwardingSurface>(recorder); });
}

void TestLegacyPrint::cleanup()
{
    legacyprinter::setOpener({});
    // The forms' own windows (a combo box's list) go with them, so pick the forms first.
    QList<QWidget *> forms;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qobject_cast<Form1 *>(w) || qobject_cast<Form2 *>(w))
            forms << w;
    }
    qDeleteAll(forms);
}

Form2 *TestLegacyPrint::openOptions(int records)
{
    Form1 *form = Form1::load(*state);
    Form1Probe::stopTimers(*form);
    downloadRecords(*state, records);
    control<QPushButton>(*form, "Command7")->click();
    Form2 *options = shownOptionsWindow();
    if (!options || !QTest::qWaitFor([] { return shownMainForms().isEmpty(); }, 10000))
        return nullptr;
    return options;
}

Form1 *TestLegacyPrint::waitForMainForm()
{
    if (!QTest::qWaitFor([] { return shownMainForms().size() == 1; }, 10000))
        return nullptr;
    Form1 *form = shownMainForms().constFirst();
    Form1Probe::stopTimers(*form);
    return form;
}

void TestLegacyPrint::optionsWindowControls_data()
{
    controltable::addColumns();
    const auto row = controltable::row;
    row("Frame1", "Form2", 240, 480, 2295, 1455, "打印信息");
    row("Label1", "Frame1", 120, 240, 1935, 255, "共有: 0组");
    row("Label3", "Frame1", 120, 600, 1575, 255, "共要: 0页");
    row("Label2", "Frame1", 120, 960, 1815, 255, "每页可打印:168组");
    row("Frame2", "Form2", 2880, 480, 3975, 1455, "自定义");
    row("Option1", "Frame2", 240, 360, 255, 255, "");
    row("Label4", "Frame2", 720, 360, 255, 495, "从");
    row("Text1", "Frame2", 960, 240, 975, 375, "1");
    row("Label5", "Frame2", 2040, 360, 375, 375, "到");
    row("Text2", "Frame2", 2400, 240, 855, 375, "168");
    row("Label6", "Frame2", 3360, 360, 375, 255, "组");
    row("Option2", "Frame2", 240, 840, 255, 375, "");
    row("Label7", "Frame2", 720, 960, 1695, 375, "全部");
    row("Command1", "Form2", 1680, 2520, 975, 495, "打印");
    row("Command2", "Form2", 4560, 2520, 975, 495, "取消");
}

void TestLegacyPrint::optionsWindowControls()
{
    Form2 options(*state);
    QCOMPARE(options.windowTitle(), QStringLiteral("打印选项"));
    QCOMPARE(options.size(), twips::size(7335, 3540, twips::dpiOf(&options)));
    QVERIFY(control<QRadioButton>(options, "Option1")->isChecked());
    controltable::verifyRow(options);
}

void TestLegacyPrint::pagesAnnounced_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pages");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("50") << 50 << 1;
    QTest::newRow("168") << 168 << 1;
    QTest::newRow("169") << 169 << 2;
    QTest::newRow("400") << 400 << 3;
}

void TestLegacyPrint::pagesAnnounced()
{
    QFETCH(int, records);
    QFETCH(int, pages);
    QCOMPARE(printPages(records), pages);
}

void TestLegacyPrint::ranges_data()
{
    QTest::addColumn<bool>("all");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("kai");
    QTest::addColumn<int>("jie");
    QTest::newRow("all") << true << "x"
                         << "y" << true << 1 << 50;
    QTest::newRow("1 to 5") << false << "1"
                            << "5" << true << 1 << 5;
    QTest::newRow("past the last") << false << "1"
                                   << "500" << true << 1 << 50;
    QTest::newRow("first past last") << false << "10"
                                     << "5" << true << 10 << 5;
    QTest::newRow("blanks") << false << " 2 "
                            << " 7" << true << 2 << 7;
    QTest::newRow("not a number") << false << "abc"
                                  << "5" << false << 0 << 0;
    QTest::newRow("empty") << false << "1"
                           << "" << false << 0 << 0;
    QTest::newRow("zero") << false << "0"
                          << "5" << false << 0 << 0;
    QTest::newRow("fraction") << false << "1.5"
                              << "5" << false << 0 << 0;
    QTest::newRow("past 16 bits") << false << "1"
                                  << "40000" << false << 0 << 0;
}

void TestLegacyPrint::ranges()
{
    QFETCH(bool, all);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, accepted);
    QFETCH(int, kai);
    QFETCH(int, jie);
    const std::optional<PrintChoice> choice = choosePrintRange(all, from, to, 50);
    QCOMPARE(choice.has_value(), accepted);
    if (choice) {
        QCOMPARE(choice->kai, kai);
        QCOMPARE(choice->jie, jie);
    }
}

void TestLegacyPrint::pageLayout_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("kai");
    QTest::addColumn<int>("jie");
    QTest::addColumn<QList<int>>("linesPerPage");
    QTest::addColumn<SpotChecks>("spotChecks");
    QTest::newRow("50, all") << 50 << 1 << 50 << QList<int>{26}
                             << SpotChecks{{{1, 27}, {24, 50}, {25, 0}, {26, 0}}};
    QTest::newRow("169, all") << 169 << 1 << 169 << QList<int>{84, 1}
                              << SpotChecks{{{1, 85}, {84, 168}}, {{169, 0}}};
    QTest::newRow("400, all") << 400 << 1 << 400 << QList<int>{84, 84, 32}
                              << SpotChecks{
                                     {{1, 85}}, {{169, 253}, {252, 336}}, {{337, 369}, {368, 400}}};
    QTest::newRow("1 to 5") << 50 << 1 << 5 << QList<int>{3}
                            << SpotChecks{{{1, 4}, {2, 5}, {3, 0}}};
    QTest::newRow("first past last") << 50 << 6 << 5 << QList<int>{0} << SpotChecks{{}};
}

void TestLegacyPrint::pageLayout()
{
    QFETCH(int, records);
    QFETCH(int, kai);
    QFETCH(int, jie);
    QFETCH(QList<int>, linesPerPage);
    QFETCH(SpotChecks, spotChecks);
    downloadRecords(*state, records);
    printRange(recorder, *state, kai, jie, plainValue, legacyfonts::songFamily());
    QCOMPARE(recorder.ended, 1);
    QCOMPARE(recorder.pages.size(), linesPerPage.size());
    for (int p = 0; p < linesPerPage.size(); ++p) {
        const QStringList lines = recorder.recordLines(p);
        QCOMPARE(lines.size(), linesPerPage[p]);
        for (const auto &[left, right] : spotChecks[p]) {
            const QString expected = right ? pair(*state, left, right) : part(*state, left);
            QVERIFY2(lines.contains(expected), qPrintable(expected));
        }
    }
    // Every record of the range printed once.
    QStringList all;
    for (int p = 0; p < recorder.pages.size(); ++p)
        all += recorder.recordLines(p);
    const QString joined = all.join(u'\n');
    for (int n = kai; n <= jie; ++n)
        QCOMPARE(joined.count(groupLabel(n)), 1);
}

void TestLegacyPrint::headerAndFonts()
{
    downloadRecords(*state, 3);
    printRange(recorder, *state, 1, 3, plainValue, legacyfonts::songFamily());
    const QList<PrintedLine> &page = recorder.pages[0];
    QCOMPARE(page.size(), 5);
    QCOMPARE(page[0].text, QString(21, u' '));
    QCOMPARE(page[0].points, 20.0);
    QCOMPARE(page[1].text, QStringLiteral("  "));
    QCOMPARE(page[1].points, 8.5);
    QCOMPARE(page[2].text, QStringLiteral("组数     最大值  最小值  平均值   电压值     "
                                          "组数    最大值  最小值  平均值  电压值   "));
    QCOMPARE(page[2].points, 8.5);
    QCOMPARE(page[3].points, 8.0);
    QCOMPARE(page[3].text, QStringLiteral("第001组  10.01Ω  20.01Ω    0.01Ω    -----     "
                                          "第003组  10.03Ω  20.03Ω    0.03Ω    -----  "));
    for (const PrintedLine &line : page) {
        QVERIFY(line.bold);
        QCOMPARE(line.family, legacyfonts::songFamily());
    }
    QCOMPARE(recorder.moves, (QList<QPointF>{QPointF(0, 0)}));
}

void TestLegacyPrint::absentRecordsOnTheLeftOnly()
{
    downloadRecords(*state, 4);
    state->recNo[1] = 0; // left of the first line
    state->recNo[4] = 0; // right of the second line
    printRange(recorder, *state, 1, 4, plainValue, legacyfonts::songFamily());
    QCOMPARE(recorder.recordLines(0),
             (QStringList{QStringLiteral("第000组  10.01Ω  20.01Ω    0.01Ω    -----     ") +
                              part(*state, 3),
                          part(*state, 2)}));
}

void TestLegacyPrint::printAllThroughTheOptionsWindow()
{
    Form2 *options = openOptions(50);
    QVERIFY(options);
    QCOMPARE(options->windowTitle(), QStringLiteral("打印选项"));
    QCOMPARE(control<QLabel>(*options, "Label1")->text(), QStringLiteral("共有: 50组"));
    QCOMPARE(control<QLabel>(*options, "Label3")->text(), QStringLiteral("共要: 1页"));
    QCOMPARE(control<QLabel>(*options, "Label2")->text(), QStringLiteral("每页可打印:168组"));
    QCOMPARE(state->biaozi, 100);
    QVERIFY(shownMainForms().isEmpty());

    control<QRadioButton>(*options, "Option2")->setChecked(true);
    control<QPushButton>(*options, "Command1")->click();
    QVERIFY(waitForMainForm());
    QVERIFY(QTest::qWaitFor([&] { return recorder.ended == 1; }, 10000));
    QCOMPARE(recorder.pages.size(), 1);
    QCOMPARE(recorder.recordLines(0).size(), 26);
    QCOMPARE(recorder.recordLines(0).constFirst(), pair(*state, 1, 27));
    QCOMPARE(state->kai, 1);
    QCOMPARE(state->jie, 50);
    QCOMPARE(state->biaozi, 100);
    QVERIFY(!shownOptionsWindow());
}

void TestLegacyPrint::printRangeKeepsTheRecords()
{
    Form2 *options = openOptions(50);
    QVERIFY(options);
    control<QLineEdit>(*options, "Text2")->setText(QStringLiteral("5"));
    control<QPushButton>(*options, "Command1")->click();
    QVERIFY(waitForMainForm());
    QVERIFY(QTest::qWaitFor([&] { return recorder.ended == 1; }, 10000));
    QCOMPARE(recorder.recordLines(0),
             (QStringList{pair(*state, 1, 4), pair(*state, 2, 5), part(*state, 3)}));
    QCOMPARE(state->recNo[50], 50);
}

void TestLegacyPrint::cancelKeepsTheRecords_data()
{
    QTest::addColumn<bool>("titleBar");
    QTest::newRow("取消") << false;
    QTest::newRow("title bar") << true;
}

void TestLegacyPrint::cancelKeepsTheRecords()
{
    QFETCH(bool, titleBar);
    Form2 *options = openOptions(50);
    QVERIFY(options);
    state->nextRec = 9;
    if (titleBar)
        options->close();
    else
        control<QPushButton>(*options, "Command2")->click();
    Form1 *form = waitForMainForm();
    QVERIFY(form);
    QVERIFY(QTest::qWaitFor([&] { return state->biaozi == 100; }, 10000));
    QCOMPARE(recorder.ended, 0);
    QCOMPARE(recorder.pages.constFirst().size(), 0);
    // The reload ran the start-up sequence but kept every record.
    QCOMPARE(state->nextRec, 1);
    for (int n = 1; n <= 50; ++n)
        QCOMPARE(state->recNo[std::size_t(n)], n);
    QVERIFY(!shownOptionsWindow());
    QVERIFY(!state->reloadByPrinting);
}

void TestLegacyPrint::badRangeIsRefused_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("not a number") << "abc"
                                  << "5";
    QTest::newRow("out of range") << "1"
                                  << "99999";
}

void TestLegacyPrint::badRangeIsRefused()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    Form2 *options = openOptions(50);
    QVERIFY(options);
    control<QLineEdit>(*options, "Text1")->setText(from);
    control<QLineEdit>(*options, "Text2")->setText(to);
    ModalDriver driver;
    driver.thenClick(QMessageBox::Ok);
    control<QPushButton>(*options, "Command1")->click();
    QCOMPARE(driver.seen.size(), 1);
    QVERIFY2(driver.seen[0].text.contains(QStringLiteral("打印范围无效")),
             qPrintable(driver.seen[0].text));
    // The window stays for a correction; nothing printed, the main form still away.
    QCOMPARE(shownOptionsWindow(), options);
    QCOMPARE(state->biaozi, 100);
    QVERIFY(shownMainForms().isEmpty());
    control<QPushButton>(*options, "Command2")->click();
    QVERIFY(waitForMainForm());
    QTest::qWait(50);
    QCOMPARE(recorder.ended, 0);
}

void TestLegacyPrint::noPrinterIsReported()
{
    legacyprinter::setOpener([](QString *problem) {
        *problem = QStringLiteral("没有找到默认打印机");
        return std::unique_ptr<legacyprinter::PrintSurface>();
    });
    Form2 *options = openOptions(50);
    QVERIFY(options);
    ModalDriver driver;
    driver.thenClick(QMessageBox::Ok);
    control<QPushButton>(*options, "Command1")->click();
    QVERIFY(QTest::qWaitFor([&] { return driver.seen.size() == 1; }, 10000));
    QCOMPARE(driver.seen[0].text, QStringLiteral("没有找到默认打印机"));
    QVERIFY(QTest::qWaitFor([&] { return state->biaozi == 100; }, 10000));
    QVERIFY(waitForMainForm());
    QCOMPARE(state->recNo[50], 50);
}

void TestLegacyPrint::printerErrorIsReported()
{
    recorder.failOnNewPage = true;
    Form2 *options = openOptions(169);
    QVERIFY(options);
    control<QRadioButton>(*options, "Option2")->setChecked(true);
    ModalDriver driver;
    driver.thenClick(QMessageBox::Ok);
    control<QPushButton>(*options, "Command1")->click();
    QVERIFY(QTest::qWaitFor([&] { return driver.seen.size() == 1; }, 10000));
    QVERIFY2(driver.seen[0].text.contains(QStringLiteral("打印机出错")),
             qPrintable(driver.seen[0].text));
    QCOMPARE(recorder.ended, 1); // a printer cancels its job at the end of a failed document
}

void TestLegacyPrint::defaultPrinterMissing()
{
    legacyprinter::setOpener({});
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer");
    QString problem;
    QVERIFY(!legacyprinter::openDefaultPrinter(&problem));
    QVERIFY2(problem.contains(QStringLiteral("打印机")), qPrintable(problem));
}

void TestLegacyPrint::pagesFitTheSheet()
{
    downloadRecords(*state, 400);
    for (int n = 1; n <= 400; ++n)
        state->recAvg[std::size_t(n)] = 10000; // the widest value text
    legacyprinter::ImageSurface surface(100);
    printRange(surface, *state, 1, 400, plainValue, legacyfonts::songFamily());
    QCOMPARE(surface.pages().size(), 3);
    const QImage &full = surface.pages().constFirst();
    const int bottom = lastInkRow(full);
    // 84 lines fill most of the sheet and stay on it.
    QVERIFY2(bottom > full.height() * 8 / 10 && bottom < full.height() - 5,
             qPrintable(QString::number(bottom)));
    QVERIFY(lastInkColumn(full) < full.width() * 9 / 10);
    // The first line is a blank band.
    QCOMPARE(lastInkRow(full.copy(0, 0, full.width(), full.height() / 40)), -1);
    QVERIFY(lastInkRow(surface.pages().constLast()) < bottom / 2);
}

void TestLegacyPrint::pdfCarriesTheText()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records.pdf"));
    downloadRecords(*state, 169);
    {
        QPdfWriter writer(path);
        writer.setResolution(600);
        legacyprinter::PagedSurface surface(writer);
        printRange(surface, *state, 1, 169, plainValue, legacyfonts::songFamily());
        QVERIFY(!surface.failed());
    }
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QVERIFY(process.waitForFinished(30000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), 2);
    QVERIFY(pages[0].contains(QStringLiteral("组数")));
    QVERIFY(pages[0].contains(QStringLiteral("第001组")));
    QVERIFY(pages[0].contains(QStringLiteral("第168组")));
    QVERIFY(pages[1].contains(QStringLiteral("第169组")));
    QVERIFY(!pages[1].contains(QStringLiteral("第168组")));
}

QTEST_MAIN(TestLegacyPrint)
#include "test_legacy_print.moc"
