// The trend chart: its numbers as tables, the drawing into the persistent image checked at
// known twip positions, the drag that changes the scale and the read-out under the pointer.
#include "recordsprobe.h"
#include "trendchart.h"

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QTest>

#include <cmath>

using namespace legacy;
using namespace trendchart;

namespace
{

const QColor PaleCyan(192, 255, 255);

// The pixel of the persistent image at a twip position.
QColor pixelAt(const PictureBox &picture, double x, double y)
{
    const double perTwip = picture.dpi() / 1440.0;
    return picture.image().pixelColor(int(std::lround(x * perTwip)), int(std::lround(y * perTwip)));
}

// Ink (text is smoothed, so anything dark) anywhere in the pixel column at twip x between the
// twip heights top..bottom.
bool inkInBox(const PictureBox &picture, double left, double right, double top, double bottom)
{
    const double perTwip = picture.dpi() / 1440.0;
    for (int column = int(std::lround(left * perTwip)); column <= int(std::lround(right * perTwip));
         ++column) {
        for (int row = int(std::lround(top * perTwip)); row <= int(std::lround(bottom * perTwip));
             ++row) {
            if (picture.image().pixelColor(column, row).lightness() < 128)
                return true;
        }
    }
    return false;
}

bool inkInColumn(const PictureBox &picture, double x, double top, double bottom)
{
    return inkInBox(picture, x, x, top, bottom);
}

QPoint pixelsOf(const PictureBox &picture, double x, double y)
{
    const double perTwip = picture.dpi() / 1440.0;
    return {int(std::lround(x * perTwip)), int(std::lround(y * perTwip))};
}

} // namespace

class TestLegacyChart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { withoutPorts(); }
    void init()
    {
        state = std::make_unique<LegacyState>();
        resetOnLoad(*state);
    }

    void unitsPerCountByScale_data();
    void unitsPerCountByScale();
    void axisLabels_data();
    void axisLabels();
    void drags_data();
    void drags();
    void cursorValues_data();
    void cursorValues();
    void fillTakesNewestToTheRight();
    void clipping_data();
    void clipping();

    void frameAndFlatCurveAtStart();
    void curveHeightFollowsTheScale_data();
    void curveHeightFollowsTheScale();
    void overRangeLeavesAtTheTop();
    void noCurveSelectedDrawsTheFrameAndZeroes();
    void dragOnTheChartRescalesAndRedraws();
    void pointerShowsTheValue();

private:
    std::unique_ptr<LegacyState> state;
};

void TestLegacyChart::unitsPerCountByScale_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("k");
    QTest::newRow("1") << 1 << 4350;
    QTest::newRow("10") << 10 << 435;
    QTest::newRow("100 (43.5 to even)") << 100 << 44;
    QTest::newRow("1000") << 1000 << 4;
    QTest::newRow("2000") << 2000 << 2;
    QTest::newRow("unset acts as 10") << 0 << 435;
}

void TestLegacyChart::unitsPerCountByScale()
{
    QFETCH(int, scale);
    QFETCH(int, k);
    QCOMPARE(unitsPerCount(scale), k);
}

void TestLegacyChart::axisLabels_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<QStringList>("labels"); // i = 0 (top), 1, 9, 10 (time axis)
    QTest::newRow("1") << 1 << QStringList{"1.0", " 0.9", " 0.1", " 0"};
    QTest::newRow("10") << 10 << QStringList{"10.0", "9.0", "1.0", " 0"};
    QTest::newRow("100") << 100 << QStringList{"100", "90", "10", " 0"};
    QTest::newRow("1000") << 1000 << QStringList{"1000", "900", "100", " 0"};
    QTest::newRow("2000") << 2000 << QStringList{"2000", "1800", "200", " 0"};
}

void TestLegacyChart::axisLabels()
{
    QFETCH(int, scale);
    QFETCH(QStringList, labels);
    QCOMPARE((QStringList{axisLabel(0, scale), axisLabel(1, scale), axisLabel(9, scale),
                          axisLabel(10, scale)}),
             labels);
}

void TestLegacyChart::drags_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<double>("release"); // pressed at 3000
    QTest::addColumn<int>("after");
    QTest::newRow("down 700 from 10") << 10 << 3700.0 << 1;
    QTest::newRow("down 700 from 100") << 100 << 3700.0 << 10;
    QTest::newRow("down 700 from 1000") << 1000 << 3700.0 << 100;
    QTest::newRow("down 700 from 2000") << 2000 << 3700.0 << 1000;
    QTest::newRow("down 700 from 1 stays") << 1 << 3700.0 << 1;
    QTest::newRow("up 700 from 1") << 1 << 2300.0 << 10;
    QTest::newRow("up 700 from 10") << 10 << 2300.0 << 100;
    QTest::newRow("up 700 from 100") << 100 << 2300.0 << 1000;
    QTest::newRow("up 700 from 1000") << 1000 << 2300.0 << 2000;
    QTest::newRow("up 700 from 2000 stays") << 2000 << 2300.0 << 2000;
    QTest::newRow("down exactly 600") << 10 << 3600.0 << 10;
    QTest::newRow("up exactly 600") << 10 << 2400.0 << 10;
    QTest::newRow("down 600.5") << 10 << 3600.5 << 1;
    QTest::newRow("unset scale up") << 0 << 2300.0 << 100;
}

void TestLegacyChart::drags()
{
    QFETCH(int, scale);
    QFETCH(double, release);
    QFETCH(int, after);
    QCOMPARE(scaleAfterDrag(scale, 3000, release), after);
}

void TestLegacyChart::cursorValues_data()
{
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("text");
    QTest::newRow("middle at 10") << 2625.0 << 10 << "5Ω";
    QTest::newRow("unset scale") << 2625.0 << 0 << "5Ω";
    QTest::newRow("above the top") << 100.0 << 10 << "10Ω";
    QTest::newRow("top at 1") << 450.0 << 1 << "1Ω";
    QTest::newRow("middle at 1") << 2625.0 << 1 << "0.5Ω";
    QTest::newRow("five decimals") << 1000.0 << 2000 << "1747.12644Ω";
    QTest::newRow("below the floor") << 5400.0 << 10 << "-0.13793Ω";
    QTest::newRow("on the time axis") << 4800.0 << 100 << "0Ω";
    QTest::newRow("a hair below the time axis") << 4800.01 << 1 << "0Ω";
}

void TestLegacyChart::cursorValues()
{
    QFETCH(double, y);
    QFETCH(int, scale);
    QFETCH(QString, text);
    QCOMPARE(cursorValueText(y, 5535, scale), text);
}

void TestLegacyChart::fillTakesNewestToTheRight()
{
    const std::array<std::pair<qint32, quint8>, 5> entries{
        {{1234, 2}, {10000, 2}, {55, 1}, {7, 0}, {99, 5}}};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        state->histMax[i] = entries[i].first;
        state->histDec[i] = entries[i].second;
    }
    state->plotBuf[145] = 42;
    state->histMax[149] = 3;
    fillPlot(*state, state->histMax);
    QCOMPARE(state->plotBuf[149], 12.34);
    QCOMPARE(state->plotBuf[148], 10000.0);
    QCOMPARE(state->plotBuf[147], 5.5);
    QCOMPARE(state->plotBuf[146], 7.0);
    QCOMPARE(state->plotBuf[145], 42.0); // unknown decimal code: left as it was
    QCOMPARE(state->plotBuf[0], 3.0);
}

void TestLegacyChart::clipping_data()
{
    QTest::addColumn<QLineF>("line");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QLineF>("clipped");
    QTest::newRow("inside") << QLineF(100, 100, 200, 200) << true << QLineF(100, 100, 200, 200);
    QTest::newRow("far above") << QLineF(1000, 2000, 1000, -4737150.0) << true
                               << QLineF(1000, 2000, 1000, 0);
    QTest::newRow("outside") << QLineF(-10, -10, -5, -20) << false << QLineF();
    QTest::newRow("crossing") << QLineF(-100, 100, 200, 100) << true << QLineF(0, 100, 200, 100);
}

void TestLegacyChart::clipping()
{
    QFETCH(QLineF, line);
    QFETCH(bool, visible);
    QFETCH(QLineF, clipped);
    const std::optional<QLineF> result = clipLine(line, QRectF(0, 0, 10455, 5535));
    QCOMPARE(result.has_value(), visible);
    if (result)
        QCOMPARE(*result, clipped);
}

void TestLegacyChart::frameAndFlatCurveAtStart()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    form.RedrawChart();
    const PictureBox &picture = *Form1Probe::picture(form);
    QCOMPARE(state->chartScale, 10);
    QCOMPARE(picture.image().size(), picture.size());
    QCOMPARE(pixelAt(picture, 540, 2000), QColor(Qt::black));          // resistance axis
    QCOMPARE(pixelAt(picture, 6000, 4800), QColor(Qt::black));         // time axis and flat curve
    QCOMPARE(pixelAt(picture, 470, 450 + 435 * 5), QColor(Qt::black)); // major tick
    QCOMPARE(pixelAt(picture, 540 + 607.3333 * 7, 4940), QColor(Qt::black)); // time tick
    QCOMPARE(pixelAt(picture, 540 + 607.3333 * 7 + 150, 4940), PaleCyan);
    QCOMPARE(pixelAt(picture, 6000, 2500), PaleCyan);
    QCOMPARE(pixelAt(picture, 6000, 4650), PaleCyan); // nothing above a flat curve
    // A label left of its tick, and nothing between two labels; where each glyph's ink falls
    // is the font's business.
    QVERIFY(inkInBox(picture, 50, 390, 350 + 435 * 4, 350 + 435 * 4 + 200));
    QVERIFY(!inkInBox(picture, 50, 390, 350 + 435 * 4 + 250, 350 + 435 * 5 - 30));
}

void TestLegacyChart::curveHeightFollowsTheScale_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("raw");    // two decimals
    QTest::addColumn<double>("top"); // twip height the curve must be drawn at
    QTest::newRow("5 ohms at 10") << 10 << 500 << 4800 - 435 * 5 * 1.089;
    QTest::newRow("50 ohms at 100") << 100 << 5000 << 4800 - 44 * 50 * 1.089;
    QTest::newRow("500 ohms at 1000") << 1000 << 50000 << 4800 - 4 * 500 * 1.089;
    QTest::newRow("1500 ohms at 2000") << 2000 << 150000 << 4800 - 2 * 1500 * 1.089;
}

void TestLegacyChart::curveHeightFollowsTheScale()
{
    QFETCH(int, scale);
    QFETCH(int, raw);
    QFETCH(double, top);
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    for (std::size_t i = 0; i < 150; ++i) {
        state->histMax[i] = raw;
        state->histDec[i] = 2;
    }
    state->chartScale = scale;
    form.RedrawChart();
    const PictureBox &picture = *Form1Probe::picture(form);
    QCOMPARE(pixelAt(picture, 6000, top), QColor(Qt::black));
    QCOMPARE(pixelAt(picture, 6000, top - 90), PaleCyan);
    QCOMPARE(pixelAt(picture, 6000, top + 90), PaleCyan);
}

void TestLegacyChart::overRangeLeavesAtTheTop()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    state->histMax[0] = 10000; // newest, at the right end
    state->histDec[0] = 2;
    form.RedrawChart();
    const PictureBox &picture = *Form1Probe::picture(form);
    // The last segment rises from the time axis straight out of the area.
    const double x = 540 + 60.73333 * 148;
    QVERIFY(inkInColumn(picture, x, 0, 60));
    QVERIFY(inkInColumn(picture, x, 2500, 2600));
}

void TestLegacyChart::noCurveSelectedDrawsTheFrameAndZeroes()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    control<QCheckBox>(form, "Check1")->setChecked(false);
    state->plotBuf.fill(7);
    form.RedrawChart();
    for (int i = 0; i < 150; ++i)
        QCOMPARE(state->plotBuf[std::size_t(i)], 0.0);
    QCOMPARE(state->plotBuf[150], 7.0);
    const PictureBox &picture = *Form1Probe::picture(form);
    QCOMPARE(pixelAt(picture, 6000, 4800), QColor(Qt::black));
    QCOMPARE(pixelAt(picture, 540, 2000), QColor(Qt::black));
}

void TestLegacyChart::dragOnTheChartRescalesAndRedraws()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (std::size_t i = 0; i < 150; ++i) {
        state->histMax[i] = 500; // 5 ohms
        state->histDec[i] = 2;
    }
    PictureBox *picture = Form1Probe::picture(form);
    const auto drag = [&](double fromY, double toY) {
        QTest::mousePress(picture, Qt::LeftButton, {}, pixelsOf(*picture, 6000, fromY));
        QTest::mouseRelease(picture, Qt::LeftButton, {}, pixelsOf(*picture, 6000, toY));
    };
    const double step = 1440.0 / picture->dpi(); // one pixel in twips
    const double past = 600 + step;              // the first drag in whole pixels past 600

    QList<int> scales;
    for (int i = 0; i < 4; ++i) {
        drag(4000, 4000 - past);
        scales << state->chartScale;
    }
    QCOMPARE(scales, (QList<int>{100, 1000, 2000, 2000}));
    drag(1000, 1000 + past);
    QCOMPARE(state->chartScale, 1000);
    drag(1000, 1000 + past);
    drag(1000, 1000 + past);
    QCOMPARE(state->chartScale, 10);
    // Redrawn at scale 10 after the release: 5 ohms stand half-way up.
    QCOMPARE(pixelAt(*picture, 6000, 4800 - 435 * 5 * 1.089), QColor(Qt::black));

    // A drag of exactly 600 twips changes nothing, but the chart is still redrawn.
    if (std::fmod(600, step) == 0) {
        picture->clearPicture();
        drag(3000, 3600);
        QCOMPARE(state->chartScale, 10);
        QCOMPARE(pixelAt(*picture, 540, 2000), QColor(Qt::black));
    }
    QCOMPARE(state->pressY, int(std::lround(pixelsOf(*picture, 0, 3000).y() * step)));
}

void TestLegacyChart::pointerShowsTheValue()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    PictureBox *picture = Form1Probe::picture(form);
    auto *readOut = control<QLineEdit>(form, "Text3");
    QTest::mouseMove(picture, pixelsOf(*picture, 3000, 2625));
    QTRY_COMPARE_WITH_TIMEOUT(readOut->text(), QStringLiteral("5Ω"), 10000);
    QTest::mouseMove(picture, pixelsOf(*picture, 3000, 150));
    QTRY_COMPARE_WITH_TIMEOUT(readOut->text(), QStringLiteral("10Ω"), 10000);
    state->chartScale = 1000;
    form.ShowCursorValue(3000, 2625);
    QCOMPARE(readOut->text(), QStringLiteral("500Ω"));
}

QTEST_MAIN(TestLegacyChart)
#include "test_legacy_chart.moc"
