// The trend chart: its setup, the legend toggle, the hover cursor and card, and the display
// selector above it.
#include "windowfixture.h"

#include <QLegend>
#include <QLegendMarker>
#include <QMouseEvent>

namespace
{

using Probe = MainWindowProbe;

// Sends a mouse move to the chart's viewport, as the view receives it.
void moveTo(MainWindow &w, const QPointF &position)
{
    QWidget *viewport = Probe::chartView(w)->viewport();
    QMouseEvent move(QEvent::MouseMove, position, viewport->mapToGlobal(position), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
}

// Where reading `x` lies on the plot, half-way up.
QPointF plotPoint(MainWindow &w, double x)
{
    QChart *chart = Probe::chart(w);
    return {chart->mapToPosition(QPointF(x, 0)).x(), chart->plotArea().center().y()};
}

// The card's lines, trailing blanks dropped (the HTML layout does not keep them).
QStringList cardLines(MainWindow &w)
{
    QStringList lines = Probe::hoverTooltip(w)->toPlainText().split('\n', Qt::SkipEmptyParts);
    for (QString &line : lines) {
        while (line.endsWith(' '))
            line.chop(1);
    }
    return lines;
}

// Readings 1..count: average 100 + n, maximum 110 + n, minimum 90 + n.
void fill(MainWindow &w, int count)
{
    for (int n = 1; n <= count; ++n)
        Probe::appendPoint(w, 100 + n, 110 + n, 90 + n);
}

QLegendMarker *marker(MainWindow &w, const QString &name)
{
    const QList<QLegendMarker *> markers = Probe::chart(w)->legend()->markers();
    for (QLegendMarker *m : markers) {
        if (m->label() == name)
            return m;
    }
    return nullptr;
}

} // namespace

class TestTrendChart : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void chartSetup();
    void legendToggle_data();
    void legendToggle();
    void hoverCard_data();
    void hoverCard();
    void hoverCardFlipsNearRightEdge();
    void hoverHidesOutsidePlot();
    void hoverThroughRealMouseMoves();
    void displaySelector_data();
    void displaySelector();
    void displaySelectorOtherIndex();

private:
    std::unique_ptr<WindowFixture> fixture;
    MainWindow *w = nullptr;
};

void TestTrendChart::init()
{
    fixture = std::make_unique<WindowFixture>();
    QVERIFY(fixture->ready);
    w = fixture->window.get();
    QTRY_VERIFY_WITH_TIMEOUT(Probe::chart(*w)->plotArea().width() > 300, 10000);
}

void TestTrendChart::cleanup()
{
    fixture.reset();
}

void TestTrendChart::chartSetup()
{
    QChart *chart = Probe::chart(*w);
    QCOMPARE(Probe::chartView(*w)->chart(), chart);
    QCOMPARE(chart->title(), "实时接地电阻 (Ω)");
    QCOMPARE(chart->legend()->alignment(), Qt::AlignBottom);
    QVERIFY(Probe::chartView(*w)->renderHints().testFlag(QPainter::Antialiasing));

    const QList<QAbstractSeries *> series = chart->series();
    QCOMPARE(series, (QList<QAbstractSeries *>{Probe::seriesAvg(*w), Probe::seriesMax(*w),
                                               Probe::seriesMin(*w)}));
    const QStringList names = {"平均阻值", "最大阻值", "最小阻值"};
    const QList<QColor> colours = {Qt::green, Qt::red, Qt::blue};
    const QList<Qt::PenStyle> styles = {Qt::SolidLine, Qt::DashLine, Qt::DashLine};
    const QList<QLegendMarker *> markers = chart->legend()->markers();
    QCOMPARE(markers.size(), 3);
    for (int i = 0; i < 3; ++i) {
        auto *line = qobject_cast<QLineSeries *>(series[i]);
        QCOMPARE(line->name(), names[i]);
        QCOMPARE(line->pen().color(), colours[i]);
        QCOMPARE(line->pen().width(), 2);
        QCOMPARE(line->pen().style(), styles[i]);
        QCOMPARE(line->pen().capStyle(), Qt::SquareCap);
        QCOMPARE(line->pen().joinStyle(), Qt::BevelJoin);
        QVERIFY(line->isVisible());
        QCOMPARE(line->count(), 0);
        QCOMPARE(line->attachedAxes(),
                 (QList<QAbstractAxis *>{Probe::axisX(*w), Probe::axisY(*w)}));
        QCOMPARE(markers[i]->series(), line);
    }

    QValueAxis *x = Probe::axisX(*w);
    QCOMPARE(x->titleText(), "时间 (s)");
    QCOMPARE(x->min(), 0.0);
    QCOMPARE(x->max(), 60.0);
    QCOMPARE(x->labelFormat(), "%d");
    QCOMPARE(x->tickCount(), 7);
    QCOMPARE(x->alignment(), Qt::AlignBottom);
    QValueAxis *y = Probe::axisY(*w);
    QCOMPARE(y->titleText(), "电阻 (Ω)");
    QCOMPARE(y->min(), 0.0);
    QCOMPARE(y->max(), 200.0);
    QCOMPARE(y->labelFormat(), "%.2f");
    QCOMPARE(y->tickCount(), QValueAxis().tickCount());
    QCOMPARE(y->alignment(), Qt::AlignLeft);

    QGraphicsLineItem *line = Probe::hoverLine(*w);
    QCOMPARE(line->parentItem(), chart);
    QCOMPARE(line->pen().color(), QColor(150, 150, 150, 150));
    QCOMPARE(line->pen().width(), 1);
    QCOMPARE(line->pen().style(), Qt::DashLine);
    QCOMPARE(line->zValue(), 11.0);
    QVERIFY(!line->isVisible());
    QGraphicsTextItem *card = Probe::hoverTooltip(*w);
    QCOMPARE(card->parentItem(), chart);
    QCOMPARE(card->zValue(), 11.0);
    QVERIFY(!card->isVisible());

    QVERIFY(Probe::chartView(*w)->viewport()->hasMouseTracking());
}

void TestTrendChart::legendToggle_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("average") << "平均阻值";
    QTest::newRow("maximum") << "最大阻值";
    QTest::newRow("minimum") << "最小阻值";
}

// A click hides the line and fades its entry to half opacity; the next click undoes both.
void TestTrendChart::legendToggle()
{
    QFETCH(QString, name);
    QLegendMarker *clicked = marker(*w, name);
    QVERIFY(clicked);
    QAbstractSeries *series = clicked->series();
    const QColor label = clicked->labelBrush().color();
    const QColor brush = clicked->brush().color();

    emit clicked->clicked();
    QVERIFY(!series->isVisible());
    QVERIFY(clicked->isVisible());
    QVERIFY(qAbs(clicked->labelBrush().color().alphaF() - 0.5) < 0.01);
    QVERIFY(qAbs(clicked->brush().color().alphaF() - 0.5) < 0.01);
    QCOMPARE(clicked->labelBrush().color().rgb(), label.rgb());
    QCOMPARE(clicked->brush().color().rgb(), brush.rgb());
    const QList<QAbstractSeries *> all = Probe::chart(*w)->series();
    for (QAbstractSeries *other : all)
        QCOMPARE(other->isVisible(), other != series);

    emit clicked->clicked();
    QVERIFY(series->isVisible());
    QVERIFY(clicked->isVisible());
    QCOMPARE(clicked->labelBrush().color().alphaF(), 1.0);
    QCOMPARE(clicked->brush().color().alphaF(), 1.0);
}

void TestTrendChart::hoverCard_data()
{
    QTest::addColumn<int>("readings");
    QTest::addColumn<int>("overRangeAt");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("hoverX");
    QTest::addColumn<int>("snappedX");
    QTest::addColumn<QStringList>("card");

    const QStringList none;
    QTest::newRow("no readings yet") << 0 << 0 << none << 2 << 30.0 << 30 << none;
    QTest::newRow("snaps down") << 20 << 0 << none << 2 << 7.3 << 7
                                << QStringList{"最大阻值: 117.00 Ω", "平均阻值: 107.00 Ω",
                                               "最小阻值: 97.00 Ω"};
    QTest::newRow("snaps up") << 20 << 0 << none << 2 << 7.7 << 8
                              << QStringList{"最大阻值: 118.00 Ω", "平均阻值: 108.00 Ω",
                                             "最小阻值: 98.00 Ω"};
    QTest::newRow("newest reading")
        << 20 << 0 << none << 1 << 20.0 << 20
        << QStringList{"最大阻值: 130.0 Ω", "平均阻值: 120.0 Ω", "最小阻值: 110.0 Ω"};
    QTest::newRow("reading 0 at the left end") << 20 << 0 << none << 2 << 0.2 << 0 << none;
    QTest::newRow("beyond the newest reading") << 20 << 0 << none << 2 << 25.0 << 25 << none;
    QTest::newRow("over range without unit")
        << 20 << 5 << none << 2 << 5.0 << 5
        << QStringList{"最大阻值: OL", "平均阻值: 105.00 Ω", "最小阻值: 95.00 Ω"};
    QTest::newRow("kilo-ohm decimals for old points")
        << 20 << 0 << none << 3 << 3.0 << 3
        << QStringList{"最大阻值: 113.000 Ω", "平均阻值: 103.000 Ω", "最小阻值: 93.000 Ω"};
    QTest::newRow("maximum hidden") << 20 << 0 << QStringList{"最大阻值"} << 2 << 4.0 << 4
                                    << QStringList{"平均阻值: 104.00 Ω", "最小阻值: 94.00 Ω"};
    QTest::newRow("average and minimum hidden")
        << 20 << 0 << QStringList{"平均阻值", "最小阻值"} << 2 << 4.0 << 4
        << QStringList{"最大阻值: 114.00 Ω"};
    QTest::newRow("all hidden") << 20 << 0 << QStringList{"平均阻值", "最大阻值", "最小阻值"} << 2
                                << 4.0 << 4 << none;
}

// The cursor snaps to a whole reading number; the card lists the visible curves that hold
// that reading, maximum first, and sits 12 px right of the cursor and below the pointer.
void TestTrendChart::hoverCard()
{
    QFETCH(int, readings);
    QFETCH(int, overRangeAt);
    QFETCH(QStringList, hidden);
    QFETCH(int, decimals);
    QFETCH(double, hoverX);
    QFETCH(int, snappedX);
    QFETCH(QStringList, card);

    for (int n = 1; n <= readings; ++n)
        Probe::appendPoint(*w, 100 + n, n == overRangeAt ? 999999 : 110 + n, 90 + n);
    for (const QString &name : hidden)
        emit marker(*w, name)->clicked();
    Probe::setLatest(*w, 0, 0, 0, decimals, "Ω", false);

    const QPointF pointer = plotPoint(*w, hoverX);
    moveTo(*w, pointer);

    QChart *chart = Probe::chart(*w);
    const QRectF plot = chart->plotArea();
    const qreal px = chart->mapToPosition(QPointF(snappedX, 0)).x();
    QGraphicsLineItem *line = Probe::hoverLine(*w);
    QVERIFY(line->isVisible());
    QCOMPARE(line->line(), QLineF(px, plot.top(), px, plot.bottom()));

    QGraphicsTextItem *tooltip = Probe::hoverTooltip(*w);
    QCOMPARE(tooltip->isVisible(), !card.isEmpty());
    if (card.isEmpty())
        return;
    QCOMPARE(cardLines(*w), card);
    QCOMPARE(tooltip->pos(), QPointF(px + 12, qRound(pointer.y()) + 12));
}

void TestTrendChart::hoverCardFlipsNearRightEdge()
{
    fill(*w, 60);
    QChart *chart = Probe::chart(*w);
    QGraphicsTextItem *tooltip = Probe::hoverTooltip(*w);

    moveTo(*w, plotPoint(*w, 59));
    QVERIFY(tooltip->isVisible());
    const qreal px = chart->mapToPosition(QPointF(59, 0)).x();
    const qreal width = tooltip->boundingRect().width();
    QVERIFY(width > 50);
    QCOMPARE(tooltip->pos().x(), px - width - 12);

    // Far enough from the edge it stays on the right.
    moveTo(*w, plotPoint(*w, 30));
    QCOMPARE(tooltip->pos().x(), chart->mapToPosition(QPointF(30, 0)).x() + 12);
    QVERIFY(tooltip->pos().x() + width <= chart->plotArea().right());
}

// Axis labels, the title, the legend and leaving the view hide line and card.
void TestTrendChart::hoverHidesOutsidePlot()
{
    fill(*w, 20);
    const QRectF plot = Probe::chart(*w)->plotArea();
    const QPointF inside = plotPoint(*w, 10);
    const QList<QPointF> outside = {{inside.x(), plot.bottom() + 12},
                                    {plot.left() - 12, inside.y()},
                                    {inside.x(), plot.top() - 12}};
    for (const QPointF &point : outside) {
        moveTo(*w, inside);
        QVERIFY(Probe::hoverLine(*w)->isVisible());
        QVERIFY(Probe::hoverTooltip(*w)->isVisible());
        moveTo(*w, point);
        QVERIFY(!Probe::hoverLine(*w)->isVisible());
        QVERIFY(!Probe::hoverTooltip(*w)->isVisible());
    }

    moveTo(*w, inside);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(Probe::chartView(*w)->viewport(), &leave);
    QVERIFY(!Probe::hoverLine(*w)->isVisible());
    QVERIFY(!Probe::hoverTooltip(*w)->isVisible());
}

// Moves without a pressed button reach the filter through the normal event delivery.
void TestTrendChart::hoverThroughRealMouseMoves()
{
    fill(*w, 20);
    Probe::setLatest(*w, 0, 0, 0, 2, "Ω", false);
    QWidget *viewport = Probe::chartView(*w)->viewport();
    QTest::mouseMove(viewport, plotPoint(*w, 12).toPoint());
    QTRY_VERIFY_WITH_TIMEOUT(Probe::hoverTooltip(*w)->isVisible(), 10000);
    QCOMPARE(cardLines(*w).value(1), "平均阻值: 112.00 Ω");
}

void TestTrendChart::displaySelector_data()
{
    QTest::addColumn<double>("avg");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("min");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");

    QTest::newRow("average") << 12.345 << 13.0 << 12.0 << 2 << "Ω" << 0 << "12.35 Ω";
    QTest::newRow("maximum") << 12.34 << 13.0 << 12.0 << 2 << "Ω" << 1 << "13.00 Ω";
    QTest::newRow("minimum") << 12.34 << 13.0 << 12.0 << 2 << "Ω" << 2 << "12.00 Ω";
    QTest::newRow("kilo-ohm") << 1.234 << 1.5 << 1.0 << 3 << "kΩ" << 0 << "1.234 kΩ";
    QTest::newRow("over range") << 12.0 << 999999.0 << 11.0 << 1 << "Ω" << 1 << "OL";
}

// Choosing an entry shows that value of the latest resistance reading in green.
void TestTrendChart::displaySelector()
{
    QFETCH(double, avg);
    QFETCH(double, max);
    QFETCH(double, min);
    QFETCH(int, decimals);
    QFETCH(QString, unit);
    QFETCH(int, index);
    QFETCH(QString, text);

    QComboBox *selector = Probe::comboResDisplayMode(*w);
    QLabel *label = Probe::labelHugeData(*w);
    selector->setCurrentIndex((index + 1) % 3);
    label->setStyleSheet("color: #03A9F4;");
    Probe::setLatest(*w, avg, max, min, decimals, unit, false);

    selector->setCurrentIndex(index);
    QCOMPARE(label->text(), text);
    QCOMPARE(label->styleSheet(), "color: #4CAF50;");

    // In voltage mode the selector leaves the voltage on show.
    label->setText("230.5 V");
    label->setStyleSheet("color: #03A9F4;");
    Probe::setLatest(*w, avg, max, min, decimals, unit, true);
    selector->setCurrentIndex((index + 1) % 3);
    QCOMPARE(label->text(), "230.5 V");
    QCOMPARE(label->styleSheet(), "color: #03A9F4;");
}

void TestTrendChart::displaySelectorOtherIndex()
{
    Probe::setLatest(*w, 12.34, 13.0, 12.0, 2, "Ω", false);
    Probe::onResDisplayModeChanged(*w, -1);
    QCOMPARE(Probe::labelHugeData(*w)->text(), "0.00 Ω");
}

QTEST_MAIN(TestTrendChart)
#include "test_trendchart.moc"
