// telvoro-cli's pure units: JSON text, reading lines, record JSON, the progress line, the
// command line and the verdict line.
#include "cliargs.h"
#include "jsontext.h"
#include "knownframes.h"
#include "portlisting.h"
#include "progressline.h"
#include "readingline.h"
#include "recordjson.h"
#include "verdictline.h"

#include <QtTest>

#include <ctime>

Q_DECLARE_METATYPE(HistoryRecord)
Q_DECLARE_METATYPE(QList<HistoryRecord>)

namespace
{

void setTimeZone(const QByteArray &tz)
{
    qputenv("TZ", tz);
    ::tzset();
}

/// The command line parsed as the program's main() gets it.
ParsedArguments parse(const QStringList &args)
{
    std::vector<std::string> words = {"telvoro-cli"};
    for (const QString &arg : args)
        words.push_back(arg.toStdString());
    std::vector<const char *> argv;
    for (const std::string &word : words)
        argv.push_back(word.c_str());
    return parseArguments(int(argv.size()), argv.data());
}

} // namespace

class TestCliUnits : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { setTimeZone("UTC0"); }

    void jsonText()
    {
        QCOMPARE(JsonText::string(QStringLiteral("a\"b\\c\nd\x01 Ω")),
                 QStringLiteral("\"a\\\"b\\\\c\\nd\\u0001 Ω\""));
        QCOMPARE(JsonText::number(12.34), QStringLiteral("12.34"));
        QCOMPARE(JsonText::number(13), QStringLiteral("13"));
        QCOMPARE(JsonText::number(-0.0), QStringLiteral("0"));
        QCOMPARE(JsonText::number(0.0001234), QStringLiteral("0.0001234"));
        QCOMPARE(JsonText::number(999999), QStringLiteral("null"));
        QCOMPARE(JsonText::number(std::numeric_limits<double>::quiet_NaN()),
                 QStringLiteral("null"));
    }

    void timestampCarriesTheOffset_data()
    {
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<QString>("expected");
        QTest::newRow("east") << QByteArray("CST-8") << "2024-03-15T14:25:30.250+08:00";
        QTest::newRow("UTC, not Z") << QByteArray("UTC0") << "2024-03-15T06:25:30.250+00:00";
        QTest::newRow("west") << QByteArray("EST5") << "2024-03-15T01:25:30.250-05:00";
        QTest::newRow("half hours") << QByteArray("IST-5:30") << "2024-03-15T11:55:30.250+05:30";
    }

    void timestampCarriesTheOffset()
    {
        QFETCH(QByteArray, tz);
        setTimeZone(tz);
        // Two readings half a second apart have times of their own.
        const QDateTime when(QDate(2024, 3, 15), QTime(6, 25, 30, 250), Qt::UTC);
        QTEST(ReadingLine::timestamp(when), "expected");
    }

    void readingLines_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("expected");
        const auto bytes = [](const knownframes::Frame &f) {
            return QByteArray(reinterpret_cast<const char *>(f.data()), int(f.size()));
        };
        const QByteArray ohms = bytes(knownframes::ReadingOhms);
        const QByteArray overRange = bytes(knownframes::ReadingOverRange);
        // The instrument answered without a measurement: kind 0, and every kind above 5.
        const QByteArray none = bytes(protocol::buildFrame(0x02, 0, 1, 1, 1, 0xC000));
        const QByteArray noneBatteryLow = bytes(protocol::buildFrame(0xF2, 1, 1, 1, 1, 0xC000));
        QTest::newRow("text") << ohms << int(LineFormat::Text)
                              << "2024-03-15T14:25:30.000+08:00  resistance  avg      12.34 Ω  "
                                 "max      13.00 Ω  min      12.00 Ω";
        QTest::newRow("json, over range")
            << overRange << int(LineFormat::Json)
            << "{\"time\":\"2024-03-15T14:25:30.000+08:00\",\"kind\":\"resistance\","
               "\"unit\":\"Ω\",\"avg\":null,\"max\":null,\"min\":null,\"over_range\":true,"
               "\"battery_low\":false}";
        QTest::newRow("csv, over range")
            << overRange << int(LineFormat::Csv)
            << "2024-03-15T14:25:30.000+08:00,resistance,Ω,,,,,true,false";
        QTest::newRow("no measurement, text")
            << none << int(LineFormat::Text) << "2024-03-15T14:25:30.000+08:00  no measurement";
        QTest::newRow("no measurement (kind 15), battery low, text")
            << noneBatteryLow << int(LineFormat::Text)
            << "2024-03-15T14:25:30.000+08:00  no measurement  battery low";
        QTest::newRow("no measurement, json")
            << none << int(LineFormat::Json)
            << "{\"time\":\"2024-03-15T14:25:30.000+08:00\",\"kind\":\"none\","
               "\"battery_low\":false}";
        QTest::newRow("no measurement, battery low, csv")
            << noneBatteryLow << int(LineFormat::Csv)
            << "2024-03-15T14:25:30.000+08:00,none,,,,,,,true";
    }

    void readingLines()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, format);
        setTimeZone("CST-8");
        protocol::InstrumentFrame f{};
        std::copy(frame.begin(), frame.end(), f.begin());
        const TimedReading reading =
            ReadingLine::decode(f, QDateTime(QDate(2024, 3, 15), QTime(6, 25, 30), Qt::UTC));
        QTEST(ReadingLine::format(reading, LineFormat(format)), "expected");
    }

    void recordJson_data()
    {
        QTest::addColumn<HistoryRecord>("record");
        QTest::addColumn<QString>("expected");
        QTest::newRow("kilo-ohms, battery low")
            << HistoryRecord{3, QStringLiteral("接地电阻"), 12.3, 15, 10, QStringLiteral("kΩ"), 1}
            << "{\"record\":3,\"kind\":\"resistance\",\"unit\":\"kΩ\",\"avg\":12.3,\"max\":15,"
               "\"min\":10,\"over_range\":false,\"battery_low\":true}";
        QTest::newRow("reversed DC voltage")
            << HistoryRecord{4, QStringLiteral("直流电压"), -25, 30, 20, QStringLiteral("V"), 0}
            << "{\"record\":4,\"kind\":\"dc_voltage\",\"unit\":\"V\",\"value\":-25,"
               "\"over_range\":false,\"battery_low\":false}";
        QTest::newRow("AC voltage over range")
            << HistoryRecord{5, QStringLiteral("交流电压"), 999999, 0, 0, QStringLiteral("V"), 0}
            << "{\"record\":5,\"kind\":\"ac_voltage\",\"unit\":\"V\",\"value\":null,"
               "\"over_range\":true,\"battery_low\":false}";
        QTest::newRow("maximum over range")
            << HistoryRecord{6, QStringLiteral("接地电阻"), 1, 999999, 1, QStringLiteral("Ω"), 0}
            << "{\"record\":6,\"kind\":\"resistance\",\"unit\":\"Ω\",\"avg\":1,\"max\":null,"
               "\"min\":1,\"over_range\":true,\"battery_low\":false}";
    }

    void recordJson()
    {
        QFETCH(HistoryRecord, record);
        QTEST(RecordJson::object(record), "expected");
    }

    void recordDocument()
    {
        const HistoryRecord r{1, QStringLiteral("交流电压"), 230, 0, 0, QStringLiteral("V"), 0};
        QCOMPARE(RecordJson::document({}), QByteArray("[\n]\n"));
        QCOMPARE(RecordJson::document({r, r}), "[\n" + RecordJson::object(r).toUtf8() + ",\n" +
                                                   RecordJson::object(r).toUtf8() + "\n]\n");
    }

    void portListing()
    {
        // Name and location alike: which of them a port is shown by is the catalogue's rule
        // per OS, tested there.
        const QList<PortEntry> ports = {{"/dev/ttyUSB0", "/dev/ttyUSB0", "USB \"Serial\""},
                                        {"/tmp/sim", "/tmp/sim", ""}};
        QCOMPARE(PortListing::line(ports[0], false),
                 QStringLiteral("/dev/ttyUSB0  USB \"Serial\""));
        QCOMPARE(PortListing::line(ports[1], true), QStringLiteral("/tmp/sim  [instrument]"));
        QCOMPARE(
            PortListing::json(ports, std::nullopt),
            QByteArray("[\n{\"path\":\"/dev/ttyUSB0\",\"description\":\"USB \\\"Serial\\\"\"},\n"
                       "{\"path\":\"/tmp/sim\",\"description\":\"\"}\n]\n"));
        QCOMPARE(
            PortListing::json(ports, QStringLiteral("/tmp/sim")),
            QByteArray("[\n{\"path\":\"/dev/ttyUSB0\",\"description\":\"USB \\\"Serial\\\"\","
                       "\"instrument\":false},\n"
                       "{\"path\":\"/tmp/sim\",\"description\":\"\",\"instrument\":true}\n]\n"));
        QCOMPARE(PortListing::json({}, QString()), QByteArray("[\n]\n"));
    }

    void progress_data()
    {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("start") << 0 << 1000 << 0.0 << "[----------]  0/1000 records  --/s  -- left";
        QTest::newRow("a quarter")
            << 250 << 1000 << 8.0 << "[##--------]  250/1000 records  31.3/s  0:24 left";
        QTest::newRow("done") << 1000 << 1000 << 31.25
                              << "[##########]  1000/1000 records  32.0/s  0:00 left";
    }

    void progress()
    {
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(double, seconds);
        QFETCH(QString, expected);
        // The bar takes the columns the figures leave: ten here.
        const int width = int(expected.size());
        QCOMPARE(ProgressLine::bar(done, total, seconds, width), expected);
    }

    void endLines()
    {
        QCOMPARE(ProgressLine::finished(1, 0.24), QStringLiteral("downloaded 1 record in 0.2 s"));
        QCOMPARE(ProgressLine::finished(1000, 31.64),
                 QStringLiteral("downloaded 1000 records in 31.6 s"));
        QCOMPARE(ProgressLine::stopped(7, 30, QStringLiteral("the link was lost")),
                 QStringLiteral("stopped at record 7 of 30: the link was lost"));
        QCOMPARE(ProgressLine::stored(27, 3),
                 QStringLiteral(": 27 stored, 3 skipped as they hold no measurement"));
        QCOMPARE(ProgressLine::stored(4, 1),
                 QStringLiteral(": 4 stored, 1 skipped as it holds no measurement"));
        QCOMPARE(ProgressLine::stored(30, 0), QString());
        QCOMPARE(ProgressLine::resumed(40, 120, 2.14),
                 QStringLiteral("downloaded records 40 to 120 in 2.1 s (1 to 39 were kept)"));
        QCOMPARE(ProgressLine::resumed(2, 2, 0.06),
                 QStringLiteral("downloaded record 2 in 0.1 s (1 was kept)"));
        // A resumed download's rate counts only the records it fetched itself.
        const QString resumedBar =
            QStringLiteral("[########--]  800/1000 records  5.0/s  0:40 left");
        QCOMPARE(ProgressLine::bar(800, 1000, 10.0, int(resumedBar.size()), 750), resumedBar);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("format");
        QTest::newRow("port before the command")
            << QStringList{"--port", "/dev/ttyUSB0", "read"} << int(CliRequest::Command::Read)
            << "/dev/ttyUSB0" << int(LineFormat::Text);
        QTest::newRow("port after it")
            << QStringList{"read", "--format", "json", "--port", "p"}
            << int(CliRequest::Command::Read) << "p" << int(LineFormat::Json);
        QTest::newRow("export is CSV unless told")
            << QStringList{"export", "--db", "x"} << int(CliRequest::Command::Export) << ""
            << int(LineFormat::Csv);
        QTest::newRow("buzzer off")
            << QStringList{"buzzer", "off"} << int(CliRequest::Command::Buzzer) << ""
            << int(LineFormat::Text);
    }

    void commandLine()
    {
        QFETCH(QStringList, args);
        const ParsedArguments parsed = parse(args);
        QVERIFY2(parsed.run, parsed.err.c_str());
        QTEST(int(parsed.request.command), "command");
        QTEST(parsed.request.port, "port");
        QTEST(int(parsed.request.format), "format");
        QVERIFY(!parsed.request.on);
    }

    // Download targets and database names refused as bad usage, before anything is done.
    void refusedFileNames_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("said");
        const QString same = QStringLiteral("--csv and --json name the same file");
        QTest::newRow("CSV and JSON into one file")
            << QStringList{"download", "--csv", "f", "--json", "f"} << same;
        QTest::newRow("one file spelt two ways")
            << QStringList{"download", "--csv", "f", "--json", "./f"} << same;
        const QString empty = QStringLiteral("--db: a file name cannot be empty");
        QTest::newRow("download into a database without a name")
            << QStringList{"download", "--db", ""} << empty;
        QTest::newRow("CSV without a name")
            << QStringList{"download", "--csv", ""} << "--csv: a file name cannot be empty";
        QTest::newRow("JSON without a name")
            << QStringList{"download", "--json", ""} << "--json: a file name cannot be empty";
        QTest::newRow("export of a database without a name")
            << QStringList{"export", "--db", ""} << empty;
        QTest::newRow("report of a database without a name")
            << QStringList{"report", "--db", "", "-o", "r.pdf"} << empty;
        QTest::newRow("clear a database without a name")
            << QStringList{"clear", "--yes", "--db", ""} << empty;
    }

    void refusedFileNames()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, said);
        const ParsedArguments parsed = parse(args);
        QVERIFY(!parsed.run);
        QCOMPARE(int(parsed.exit), int(ExitCode::Usage));
        const QString err = QString::fromStdString(parsed.err);
        QVERIFY2(err.startsWith(QStringLiteral("telvoro-cli: ") + said), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("Usage: telvoro-cli")), qPrintable(err));
    }

    void verdictJson_data()
    {
        QTest::addColumn<QList<HistoryRecord>>("records");
        QTest::addColumn<double>("limit");
        QTest::addColumn<QString>("expected");
        const QList<HistoryRecord> mixed = {
            {1, "接地电阻", 4.0, 4.2, 3.9, "Ω", 0},
            {2, "接地电阻", 0.5, 0.6, 0.4, "kΩ", 1},
            {3, "接地电阻", 999999, 999999, 999999, "Ω", 0},
            {4, "交流电压", 230, 0, 0, "V", 0},
            {7, "接地电阻", 2.5, 3, 2, "Ω", 0},
        };
        QTest::newRow("failures")
            << mixed << 10.0
            << "{\"limit_ohms\":10,\"records\":5,\"judged\":4,\"passed\":2,\"failed\":2,"
               "\"over_range\":1,\"failed_records\":[2,3],\"verdict\":\"fail\"}";
        QTest::newRow("all pass") << mixed.mid(0, 2) << 1000000.0
                                  << "{\"limit_ohms\":1000000,\"records\":2,\"judged\":2,"
                                     "\"passed\":2,\"failed\":0,\"over_range\":0,"
                                     "\"failed_records\":[],\"verdict\":\"pass\"}";
        QTest::newRow("nothing to judge")
            << mixed.mid(3, 1) << 0.5
            << "{\"limit_ohms\":0.5,\"records\":1,\"judged\":0,\"passed\":0,\"failed\":0,"
               "\"over_range\":0,\"failed_records\":[],\"verdict\":\"none\"}";
    }

    void verdictJson()
    {
        QFETCH(QList<HistoryRecord>, records);
        QFETCH(double, limit);
        QTEST(VerdictLine::json(records, limit), "expected");
    }
};

QTEST_GUILESS_MAIN(TestCliUnits)
#include "test_cliunits.moc"
