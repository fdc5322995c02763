// Renders the legacy console's windows offscreen with made-up records and a live history, and
// keeps the pictures beside the test for people to look at: the record pages, the chart, the
// print-options window, the splash window and a printed page.
#include "form2.h"
#include "form3.h"
#include "legacyfonts.h"
#include "legacyprinter.h"
#include "printlayout.h"
#include "recordpage.h"
#include "recordsprobe.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QTest>

#include <cmath>

using namespace legacy;

namespace
{

QString shotPath(const QString &name)
{
    const QString folder = QStringLiteral(TELVORO_SHOTS_DIR);
    QDir().mkpath(folder);
    return folder + u'/' + name;
}

// A day's measurements of a made-up site: mostly two-decimal ohms, some other kinds.
void fillRecords(LegacyState &state, int count)
{
    for (int n = 1; n <= count; ++n) {
        const qint32 avg = 180 + (n * 37) % 900;
        putRecord(state, n, 0x12, avg + 40 + n % 7, avg - 30 - n % 5, avg);
    }
    putRecord(state, 5, 0x11, 1234, 980, 1100);
    putRecord(state, 9, 0x10, 250, 5, 120);
    putRecord(state, 12, 0x20, 231, 229, 230);
    putRecord(state, 17, 0x12, 10000, 1500, 10000);
    state.recTotal = count;
    state.form2zushu = qint16(count);
    state.pageCount = (count + 47) / 48;
}

void fillHistory(LegacyState &state)
{
    for (std::size_t i = 0; i < 150; ++i) {
        const double t = double(i) / 9;
        state.histAvg[i] = qint32(520 + 180 * std::sin(t));
        state.histMax[i] = state.histAvg[i] + 90 + qint32(30 * std::cos(3 * t));
        state.histMin[i] = state.histAvg[i] - 80;
        state.histDec[i] = 2;
    }
}

bool hasSeveralColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7) {
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    }
    return colours.size() > 3;
}

} // namespace

class TestLegacyScreens : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { withoutPorts(); }
    void recordPagesAndChart();
    void printOptionsAndSplash();
    void printedPage();
};

void TestLegacyScreens::recordPagesAndChart()
{
    LegacyState state;
    Form1 form(state);
    Form1Probe::stopTimers(form);
    fillRecords(state, 60);
    fillHistory(state);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    Form1Probe::showBoxes(form, true);
    form.ShowRecordPage(1);
    const QImage pages = form.grab().toImage();
    QVERIFY(pages.save(shotPath(QStringLiteral("legacy-record-pages.png"))));
    QVERIFY(hasSeveralColours(pages));
    QVERIFY(Form1Probe::box(form, 2)->toPlainText().contains(QStringLiteral("第048组")));

    Form1Probe::showBoxes(form, false);
    control<QCheckBox>(form, "Check2")->setChecked(true);
    control<QCheckBox>(form, "Check4")->setChecked(true);
    form.RedrawChart();
    form.ShowCursorValue(3000, 2625);
    const QImage chart = form.grab().toImage();
    QVERIFY(chart.save(shotPath(QStringLiteral("legacy-chart.png"))));
    QVERIFY(chart != pages);
}

void TestLegacyScreens::printOptionsAndSplash()
{
    LegacyState state;
    state.form2zushu = 400;
    Form2 options(state);
    options.show();
    QVERIFY(QTest::qWaitForWindowExposed(&options));
    QVERIFY(options.grab().save(shotPath(QStringLiteral("legacy-print-options.png"))));

    Form3 splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    const QImage picture = splash.grab().toImage();
    QVERIFY(picture.save(shotPath(QStringLiteral("legacy-splash.png"))));
    QVERIFY(hasSeveralColours(picture));
    options.hide(); // not by its title bar: nothing hands back here
}

void TestLegacyScreens::printedPage()
{
    LegacyState state;
    fillRecords(state, 200);
    legacyprinter::ImageSurface surface(110);
    printRange(surface, state, 1, 200, plainValue, legacyfonts::songFamily());
    QCOMPARE(surface.pages().size(), 2);
    QVERIFY(surface.pages().constFirst().save(shotPath(QStringLiteral("legacy-printed-page.png"))));
}

QTEST_MAIN(TestLegacyScreens)
#include "test_legacy_screens.moc"
