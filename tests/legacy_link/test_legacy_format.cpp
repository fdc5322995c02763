// The reading formatter, the alarm condition, both column padders and the number parsing.
#include "meteroperations.h"
#include "numbertext.h"
#include "readingformat.h"

#include <QLocale>
#include <QTest>

#include <cstring>
#include <optional>

using namespace legacy;

Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(std::optional<quint8>)

class TestLegacyFormat : public QObject
{
    Q_OBJECT

private slots:
    void formatsReadings_data();
    void formatsReadings();
    void alarmCondition_data();
    void alarmCondition();
    void padsReportRows_data();
    void padsReportRows();
    void padsPageRows_data();
    void padsPageRows();
    void leadingNumber_data();
    void leadingNumber();
    void parseNumber_data();
    void parseNumber();
    void readsDecimalsExactlyAsTheCLocale_data();
    void readsDecimalsExactlyAsTheCLocale();
    void roundsHalfToEven_data();
    void roundsHalfToEven();
};

void TestLegacyFormat::formatsReadings_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("overRange");

    QTest::newRow("2 dec 1234") << 0x12 << "1234"
                                << "12.34Ω" << false;
    QTest::newRow("2 dec 1300") << 0x12 << "1300"
                                << "13.00Ω" << false;
    QTest::newRow("2 dec 1030") << 0x12 << "1030"
                                << "10.30Ω" << false;
    QTest::newRow("2 dec 1230") << 0x12 << "1230"
                                << "12.30Ω" << false;
    QTest::newRow("2 dec 7") << 0x12 << "7"
                             << "0.07Ω" << false;
    QTest::newRow("2 dec 10") << 0x12 << "10"
                              << "0.10Ω" << false;
    QTest::newRow("2 dec 100") << 0x12 << "100"
                               << "1.00Ω" << false;
    QTest::newRow("2 dec 0") << 0x12 << "0"
                             << "0.00Ω" << false;
    QTest::newRow("2 dec 65535") << 0x12 << "65535"
                                 << "655.35Ω" << false;
    QTest::newRow("2 dec over range") << 0x12 << "10000"
                                      << "  OL  Ω" << true;
    QTest::newRow("1 dec 1230") << 0x11 << "1230"
                                << "123.0Ω" << false;
    QTest::newRow("1 dec 1235") << 0x11 << "1235"
                                << "123.5Ω" << false;
    QTest::newRow("1 dec 5") << 0x11 << "5"
                             << "0.5Ω" << false;
    QTest::newRow("1 dec 0") << 0x11 << "0"
                             << "0.0Ω" << false;
    QTest::newRow("1 dec over range") << 0x11 << "10000"
                                      << "  OL  Ω" << true;
    QTest::newRow("0 dec 250") << 0x10 << "250"
                               << "250Ω" << false;
    QTest::newRow("0 dec over range") << 0x10 << "10000"
                                      << "  OL  Ω" << true;
    QTest::newRow("3 dec not applied") << 0x13 << "250"
                                       << "250Ω" << false;
    QTest::newRow("15 dec not applied") << 0x1F << "250"
                                        << "250Ω" << false;
    QTest::newRow("voltage") << 0x21 << "230"
                             << "230v" << false;
    QTest::newRow("voltage no decimals") << 0x22 << "1234"
                                         << "1234v" << false;
    QTest::newRow("voltage over range") << 0x20 << "10000"
                                        << "  OL  v" << true;
    QTest::newRow("current") << 0x30 << "15"
                             << "15mA" << false;
    QTest::newRow("current over range") << 0x31 << "10000"
                                        << "  OL  mA" << true;
    QTest::newRow("kind 4 no unit") << 0x40 << "500"
                                    << "500" << false;
    QTest::newRow("kind 4 raw 10000 as is") << 0x40 << "10000"
                                            << "10000" << false;
    QTest::newRow("kind 0 no unit") << 0x02 << "1234"
                                    << "1234" << false;
}

void TestLegacyFormat::formatsReadings()
{
    QFETCH(int, type);
    QFETCH(QString, raw);
    QFETCH(QString, text);
    QFETCH(bool, overRange);
    const FormattedReading reading = formatReading(quint8(type), raw);
    QCOMPARE(reading.text, text);
    QCOMPARE(reading.overRange, overRange);
}

void TestLegacyFormat::alarmCondition_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<std::optional<quint8>>("condition");

    const std::optional<quint8> on = 1, off = 0, kept = std::nullopt;
    QTest::newRow("below threshold") << 0x12 << "4999"
                                     << "50" << off;
    QTest::newRow("at threshold") << 0x12 << "5000"
                                  << "50" << on;
    QTest::newRow("above threshold") << 0x12 << "5001"
                                     << "50" << on;
    QTest::newRow("blanks around threshold") << 0x12 << "5000"
                                             << " 50 " << on;
    QTest::newRow("over range whatever the threshold") << 0x12 << "10000"
                                                       << "60000" << on;
    QTest::newRow("over range reads as 0") << 0x11 << "10000"
                                           << "0" << on;
    // Equal in single precision, not in double.
    QTest::newRow("single precision") << 0x12 << "1234"
                                      << "12.3400001" << on;
    QTest::newRow("just above in single precision") << 0x12 << "1234"
                                                    << "12.341" << off;
    QTest::newRow("default threshold") << 0x12 << "0"
                                       << "0.0000" << on;
    QTest::newRow("voltage") << 0x21 << "230"
                             << "230" << on;
    QTest::newRow("current") << 0x30 << "15"
                             << "16" << off;
    // No unit: the last digit is what gets cut off, so 500 compares as 50.
    QTest::newRow("no unit cuts a digit") << 0x40 << "500"
                                          << "51" << off;
    QTest::newRow("no unit at cut value") << 0x40 << "500"
                                          << "50" << on;
    QTest::newRow("threshold not a number") << 0x12 << "5000"
                                            << "abc" << kept;
    QTest::newRow("threshold empty") << 0x12 << "5000"
                                     << "" << kept;
    QTest::newRow("threshold trailing text") << 0x12 << "5000"
                                             << "50x" << kept;
}

void TestLegacyFormat::alarmCondition()
{
    QFETCH(int, type);
    QFETCH(QString, raw);
    QFETCH(QString, threshold);
    QFETCH(std::optional<quint8>, condition);
    QCOMPARE(legacy::alarmCondition(formatReading(quint8(type), raw), threshold), condition);
}

namespace
{

// A row as the record renderers build it: every column text is a formatter result, the
// voltage column the formatted average.
RecordRow formattedRow(int type, qint32 max, qint32 min, qint32 avg)
{
    const auto text = [type](qint32 raw) {
        return formatReading(quint8(type), QString::number(raw)).text;
    };
    RecordRow row;
    row.rowType = quint8(type);
    row.rowMax = max;
    row.rowMin = min;
    row.rowAvg = avg;
    row.colMax = text(max);
    row.colMin = text(min);
    row.colAvg = text(avg);
    row.colVolt = text(avg);
    return row;
}

void addRowColumns()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("avg");
    QTest::addColumn<QStringList>("columns"); // max, min, avg, volt
}

} // namespace

void TestLegacyFormat::padsReportRows_data()
{
    addRowColumns();
    QTest::newRow("0x10 single digits")
        << 0x10 << 5 << 5 << 5 << QStringList{"    5Ω", "    5Ω", "    5Ω", "  -----"};
    QTest::newRow("0x10 widths") << 0x10 << 1234 << 99 << 999
                                 << QStringList{" 1234Ω", "   99Ω", "  999Ω", "  -----"};
    QTest::newRow("0x10 boundaries")
        << 0x10 << 1000 << 100 << 10 << QStringList{" 1000Ω", "  100Ω", "   10Ω", "  -----"};
    // The wider over-range text of the 0 decimal type keeps its blank and is not narrowed.
    QTest::newRow("0x10 over range") << 0x10 << 10000 << 10000 << 10000
                                     << QStringList{"   OL  Ω", "   OL  Ω", "   OL  Ω", "  -----"};
    QTest::newRow("0x11 widths") << 0x11 << 1230 << 999 << 5
                                 << QStringList{"123.0Ω", " 99.9Ω", "  0.5Ω", "  -----"};
    QTest::newRow("0x11 over range narrowed")
        << 0x11 << 10000 << 10000 << 1230 << QStringList{"  OL Ω", "  OL Ω", "123.0Ω", "  -----"};
    QTest::newRow("0x12 widths") << 0x12 << 1234 << 7 << 0
                                 << QStringList{"12.34Ω", "  0.07Ω", " 0.00Ω", "  -----"};
    QTest::newRow("0x12 boundaries")
        << 0x12 << 1000 << 999 << 100 << QStringList{"10.00Ω", " 9.99Ω", " 1.00Ω", "  -----"};
    QTest::newRow("0x12 over range narrowed")
        << 0x12 << 1234 << 10000 << 1200 << QStringList{"12.34Ω", "  OL Ω", "12.00Ω", "  -----"};
    QTest::newRow("0x20 voltage") << 0x20 << 231 << 229 << 230
                                  << QStringList{"-----   ", "-----   ", "-----   ", "230v  "};
    QTest::newRow("0x20 over range")
        << 0x20 << 230 << 230 << 10000
        << QStringList{"-----   ", "-----   ", "-----   ", "  OL  v  "};
    QTest::newRow("0x21 untouched")
        << 0x21 << 231 << 229 << 230 << QStringList{"231v", "229v", "230v", "230v"};
    QTest::newRow("0x13 untouched but narrowed")
        << 0x13 << 10000 << 5 << 5 << QStringList{"  OL Ω", "5Ω", "5Ω", "5Ω"};
    QTest::newRow("0x30 untouched")
        << 0x30 << 15 << 15 << 15 << QStringList{"15mA", "15mA", "15mA", "15mA"};
}

void TestLegacyFormat::padsReportRows()
{
    QFETCH(int, type);
    QFETCH(int, max);
    QFETCH(int, min);
    QFETCH(int, avg);
    QFETCH(QStringList, columns);
    RecordRow row = formattedRow(type, max, min, avg);
    padReportRow(row);
    QCOMPARE((QStringList{row.colMax, row.colMin, row.colAvg, row.colVolt}), columns);
}

void TestLegacyFormat::padsPageRows_data()
{
    addRowColumns();
    QTest::newRow("0x10 single digits")
        << 0x10 << 5 << 5 << 5 << QStringList{"    5Ω", "      5Ω", "      5Ω", "    -----"};
    QTest::newRow("0x10 two digits")
        << 0x10 << 50 << 50 << 50 << QStringList{"    50Ω", "   50Ω", "   50Ω", "    -----"};
    QTest::newRow("0x10 three digits")
        << 0x10 << 500 << 500 << 500 << QStringList{"  500Ω", "  500Ω", "  500Ω", "    -----"};
    QTest::newRow("0x10 four digits")
        << 0x10 << 5000 << 5000 << 5000 << QStringList{" 5000Ω", " 5000Ω", " 5000Ω", "    -----"};
    QTest::newRow("0x11 widths") << 0x11 << 1230 << 0 << 5
                                 << QStringList{"123.0Ω", "    0.0Ω", "  0.5Ω", "    -----"};
    QTest::newRow("0x11 middle") << 0x11 << 99 << 500 << 1000
                                 << QStringList{"  9.9Ω", " 50.0Ω", "100.0Ω", "    -----"};
    // Pages keep the display's over-range text.
    QTest::newRow("0x11 over range kept")
        << 0x11 << 1230 << 10000 << 1230 << QStringList{"123.0Ω", "  OL  Ω", "123.0Ω", "    -----"};
    QTest::newRow("0x12 small") << 0x12 << 7 << 7 << 7
                                << QStringList{"  0.07Ω", "    0.07Ω", "   0.07Ω", "    -----"};
    QTest::newRow("0x12 zero") << 0x12 << 0 << 0 << 0
                               << QStringList{" 0.00Ω", "  0.00Ω", "  0.00Ω", "    -----"};
    QTest::newRow("0x12 wide") << 0x12 << 1234 << 500 << 1234
                               << QStringList{"12.34Ω", "  5.00Ω", "12.34Ω", "    -----"};
    QTest::newRow("0x20 voltage") << 0x20 << 231 << 229 << 230
                                  << QStringList{"-----", "-----", "----- ", "230v"};
    QTest::newRow("0x00 untouched") << 0x00 << 0 << 0 << 0 << QStringList{"0", "0", "0", "0"};
}

void TestLegacyFormat::padsPageRows()
{
    QFETCH(int, type);
    QFETCH(int, max);
    QFETCH(int, min);
    QFETCH(int, avg);
    QFETCH(QStringList, columns);
    RecordRow row = formattedRow(type, max, min, avg);
    padPageRow(row);
    QCOMPARE((QStringList{row.colMax, row.colMin, row.colAvg, row.colVolt}), columns);
}

void TestLegacyFormat::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::newRow("decimal") << "12.34" << 12.34;
    QTest::newRow("leading blanks") << "   7" << 7.0;
    QTest::newRow("over range mark") << "  OL  " << 0.0;
    QTest::newRow("unit rest") << "15m" << 15.0;
    QTest::newRow("second point ends") << "1.2.3" << 1.2;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("lone point") << "." << 0.0;
}

void TestLegacyFormat::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(legacy::leadingNumber(text), number);
}

void TestLegacyFormat::parseNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("number");
    QTest::newRow("integer") << "50" << std::optional<double>(50);
    QTest::newRow("blanks") << " 0.5 " << std::optional<double>(0.5);
    QTest::newRow("negative") << "-3" << std::optional<double>(-3);
    QTest::newRow("empty") << "" << std::optional<double>();
    QTest::newRow("trailing text") << "5s" << std::optional<double>();
    QTest::newRow("letters") << "abc" << std::optional<double>();
    QTest::newRow("infinity") << "inf" << std::optional<double>();
}

void TestLegacyFormat::parseNumber()
{
    QFETCH(QString, text);
    QFETCH(std::optional<double>, number);
    QCOMPARE(legacy::parseNumber(text), number);
}

// Both readers take the commonest texts by a shortcut; its values must be the C locale's to
// the last bit, since the alarm compares them with a threshold.
void TestLegacyFormat::readsDecimalsExactlyAsTheCLocale_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << "0";
    QTest::newRow("leading zeros") << "007";
    QTest::newRow("small fraction") << "0.05";
    QTest::newRow("not representable") << "9999.9";
    QTest::newRow("trailing zeros") << "13.00";
    QTest::newRow("tiny") << "0.0000001";
    QTest::newRow("many digits") << "12345678901234567890.123";
    QTest::newRow("point last") << "1.";
    QTest::newRow("point first") << ".25";
}

void TestLegacyFormat::readsDecimalsExactlyAsTheCLocale()
{
    QFETCH(QString, text);
    bool ok = false;
    const double expected = QLocale::c().toDouble(text, &ok);
    QVERIFY(ok);
    const std::optional<double> parsed = legacy::parseNumber(QStringLiteral(" ") + text);
    QVERIFY(parsed);
    QCOMPARE(std::memcmp(&*parsed, &expected, sizeof expected), 0);
    const double leading = legacy::leadingNumber(text + QStringLiteral("Ω"));
    QCOMPARE(std::memcmp(&leading, &expected, sizeof expected), 0);
}

// The legacy units round ties to the even neighbour (std::nearbyint in the default rounding
// mode); a timer interval typed in milliseconds shows it.
void TestLegacyFormat::roundsHalfToEven_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("2.5") << "2.5" << 2.0;
    QTest::newRow("3.5") << "3.5" << 4.0;
    QTest::newRow("0.5") << "0.5" << 0.0;
    QTest::newRow("-2.5") << "-2.5" << -2.0;
    QTest::newRow("1.49") << "1.49" << 1.0;
    QTest::newRow("1.51") << "1.51" << 2.0;
    QTest::newRow("10000.5") << "10000.5" << 10000.0;
}

void TestLegacyFormat::roundsHalfToEven()
{
    QFETCH(QString, value);
    QFETCH(double, rounded);
    QCOMPARE(legacy::intervalFromText(value, 1), std::optional<double>(rounded));
}

QTEST_APPLESS_MAIN(TestLegacyFormat)
#include "test_legacy_format.moc"
