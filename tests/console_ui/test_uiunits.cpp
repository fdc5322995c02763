// The value text, the hover card's and the log's pure rules.
#include "hovercard.h"
#include "logname.h"
#include "valuetext.h"

#include <QTest>

class TestUiUnits : public QObject
{
    Q_OBJECT

private slots:
    void valueText_data();
    void valueText();
    void nearestWhole_data();
    void nearestWhole();
    void valueAt_data();
    void valueAt();
    void entryHtml_data();
    void entryHtml();
    void cardHtml();
    void cardLeft_data();
    void cardLeft();
    void logName_data();
    void logName();
};

void TestUiUnits::valueText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("withUnit");

    QTest::newRow("two decimals round") << 12.345678 << 2 << "Ω"
                                        << "12.35"
                                        << "12.35 Ω";
    QTest::newRow("pads zeros") << 13.0 << 2 << "Ω"
                                << "13.00"
                                << "13.00 Ω";
    QTest::newRow("no decimals") << 149.6 << 0 << "Ω"
                                 << "150"
                                 << "150 Ω";
    QTest::newRow("kilo-ohm") << 1.234 << 3 << "kΩ"
                              << "1.234"
                              << "1.234 kΩ";
    QTest::newRow("zero") << 0.0 << 1 << "Ω"
                          << "0.0"
                          << "0.0 Ω";
    QTest::newRow("negative voltage") << -12.34 << 2 << "V"
                                      << "-12.34"
                                      << "-12.34 V";
    QTest::newRow("largest in range") << 999998.99 << 2 << "Ω"
                                      << "999998.99"
                                      << "999998.99 Ω";
    QTest::newRow("over range") << 999999.0 << 2 << "Ω"
                                << "OL"
                                << "OL";
    QTest::newRow("beyond over range") << 1.0e7 << 0 << "kΩ"
                                       << "OL"
                                       << "OL";
}

void TestUiUnits::valueText()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, unit);
    QFETCH(QString, plain);
    QFETCH(QString, withUnit);

    QCOMPARE(formatResistance(value, decimals), plain);
    QCOMPARE(formatValueWithUnit(value, decimals, unit), withUnit);
}

void TestUiUnits::nearestWhole_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");

    QTest::newRow("down") << 7.49 << 7;
    QTest::newRow("half up") << 7.5 << 8;
    QTest::newRow("up") << 7.51 << 8;
    QTest::newRow("negative half away from zero") << -2.5 << -3;
    QTest::newRow("negative down") << -2.49 << -2;
    QTest::newRow("zero") << 0.0 << 0;
}

void TestUiUnits::nearestWhole()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(HoverCard::nearestWhole(value), expected);
}

void TestUiUnits::valueAt_data()
{
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<int>("reading");
    QTest::addColumn<bool>("found");
    QTest::addColumn<double>("y");

    const QList<QPointF> run = {{1, 10}, {2, 20}, {3, 30}, {4, 40}};
    QTest::newRow("empty") << QList<QPointF>() << 1 << false << 0.0;
    QTest::newRow("newest") << run << 4 << true << 40.0;
    QTest::newRow("oldest") << run << 1 << true << 10.0;
    QTest::newRow("middle") << run << 2 << true << 20.0;
    QTest::newRow("before first") << run << 0 << false << 0.0;
    QTest::newRow("after newest") << run << 5 << false << 0.0;
    // A gap: the search stops at the first point that does not lie after the reading.
    QTest::newRow("gap") << QList<QPointF>{{1, 10}, {3, 30}} << 2 << false << 0.0;
    QTest::newRow("x rounds to reading")
        << QList<QPointF>{{1.4, 10}, {2.6, 25}, {4.1, 40}} << 3 << true << 25.0;
    QTest::newRow("newest of equal x wins") << QList<QPointF>{{2, 1}, {2, 2}} << 2 << true << 2.0;
    QTest::newRow("over range kept") << QList<QPointF>{{1, 999999}} << 1 << true << 999999.0;
}

void TestUiUnits::valueAt()
{
    QFETCH(QList<QPointF>, points);
    QFETCH(int, reading);
    QFETCH(bool, found);
    QFETCH(double, y);

    const std::optional<double> value = HoverCard::valueAt(points, reading);
    QCOMPARE(value.has_value(), found);
    if (found)
        QCOMPARE(*value, y);
}

void TestUiUnits::entryHtml_data()
{
    QTest::addColumn<int>("curve");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("html");

    QTest::newRow("max") << int(HoverCard::Curve::Max) << 13.0 << 2
                         << "<div style='color: #FF5252;'>最大阻值: 13.00 Ω</div>";
    QTest::newRow("avg") << int(HoverCard::Curve::Avg) << 12.345 << 2
                         << "<div style='color: #4CAF50;'>平均阻值: 12.35 Ω</div>";
    QTest::newRow("min") << int(HoverCard::Curve::Min) << 12.0 << 1
                         << "<div style='color: #2196F3;'>最小阻值: 12.0 Ω</div>";
    QTest::newRow("kilo-ohm reading in ohms") << int(HoverCard::Curve::Avg) << 1234.0 << 3
                                              << "<div style='color: #4CAF50;'>平均阻值: "
                                                 "1234.000 Ω</div>";
    QTest::newRow("over range has no unit") << int(HoverCard::Curve::Max) << 999999.0 << 2
                                            << "<div style='color: #FF5252;'>最大阻值: OL </div>";
}

void TestUiUnits::entryHtml()
{
    QFETCH(int, curve);
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, html);
    QCOMPARE(HoverCard::entryHtml(HoverCard::Curve(curve), value, decimals), html);
}

void TestUiUnits::cardHtml()
{
    const QString open = "<div style='background-color: rgba(30, 30, 30, 0.85); padding: 6px; "
                         "border-radius: 4px; border: 1px solid #555555;'>";
    QCOMPARE(HoverCard::cardHtml({"<div>a</div>", "<div>b</div>"}),
             open + "<div>a</div><div>b</div></div>");
    QCOMPARE(HoverCard::cardHtml({}), open + "</div>");
}

void TestUiUnits::cardLeft_data()
{
    QTest::addColumn<double>("cursor");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("plotRight");
    QTest::addColumn<double>("left");

    QTest::newRow("room on the right") << 100.0 << 150.0 << 500.0 << 112.0;
    QTest::newRow("touches the edge") << 338.0 << 150.0 << 500.0 << 350.0;
    QTest::newRow("one pixel too wide flips") << 339.0 << 150.0 << 500.0 << 177.0;
    QTest::newRow("near the edge flips") << 480.0 << 150.0 << 500.0 << 318.0;
}

void TestUiUnits::cardLeft()
{
    QFETCH(double, cursor);
    QFETCH(double, width);
    QFETCH(double, plotRight);
    QFETCH(double, left);
    QCOMPARE(HoverCard::cardLeft(cursor, width, plotRight), left);
}

void TestUiUnits::logName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("html");

    QTest::newRow("ordinary") << "/dev/ttyUSB0"
                              << "/dev/ttyUSB0"
                              << "/dev/ttyUSB0";
    // Without a '<' the panel keeps the line plain: entities would show as written.
    QTest::newRow("ampersand only") << "/tmp/a&b \"quoted\""
                                    << "/tmp/a&b \"quoted\""
                                    << "/tmp/a&amp;b &quot;quoted&quot;";
    QTest::newRow("markup") << "/tmp/<b>x</b>&y"
                            << "/tmp/&lt;b&gt;x&lt;/b&gt;&amp;y"
                            << "/tmp/&lt;b&gt;x&lt;/b&gt;&amp;y";
}

void TestUiUnits::logName()
{
    QFETCH(QString, name);
    QFETCH(QString, plain);
    QFETCH(QString, html);
    QCOMPARE(LogName::inPlainLine(name), plain);
    QCOMPARE(LogName::inHtmlLine(name), html);
}

QTEST_APPLESS_MAIN(TestUiUnits)
#include "test_uiunits.moc"
