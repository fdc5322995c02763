// telvoro-cli end to end, everything but the download: ports, read, watch, the instrument's
// commands, clear, help and bad usage, against the simulated instrument.
#include "clifixture.h"
#include "historyrecord.h"
#include "historystore.h"
#include "protocol.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>

#include <csignal>

Q_DECLARE_METATYPE(QList<quint16>)

namespace
{

using protocol::CommandCode;
namespace Command = protocol::Command;

SimOptions instant()
{
    SimOptions options;
    options.paced = false;
    return options;
}

} // namespace

class TestCliCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(work.isValid()); }

    void commandsReachTheInstrument_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<quint16>("code");
        QTest::addColumn<bool>("searched");
        QTest::newRow("test") << QStringList{"test"} << Command::SingleTest << true;
        QTest::newRow("calibrate")
            << QStringList{"calibrate"} << Command::LineResistanceCheck << true;
        QTest::newRow("backlight on")
            << QStringList{"backlight", "on"} << Command::BacklightOn << true;
        QTest::newRow("backlight off")
            << QStringList{"backlight", "off"} << Command::BacklightOff << true;
        QTest::newRow("buzzer on") << QStringList{"buzzer", "on"} << Command::BuzzerOn << true;
        QTest::newRow("buzzer off, --port after the command")
            << QStringList{"buzzer", "off", "--port", "PORT"} << Command::BuzzerOff << false;
    }

    void commandsReachTheInstrument()
    {
        QFETCH(QStringList, args);
        QFETCH(quint16, code);
        QFETCH(bool, searched);
        LinkedInstrument sim(instant());
        args.replaceInStrings(QStringLiteral("PORT"), sim.path);
        const CliRun run = runCli(args, sim.path, work.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray());
        // Only a search says where it found the instrument.
        QCOMPARE(run.errText(),
                 searched ? QStringLiteral("telvoro-cli: instrument found on %1\n").arg(sim.path)
                          : QString());
        QVERIFY(QTest::qWaitFor([&] { return sim.instrument.receivedCommands().size() == 2; },
                                CliWaitMs));
        QCOMPARE(sim.instrument.receivedCommands(), QList<quint16>({Command::Probe, code}));
    }

    void readFormats_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QList<quint16>>("values");
        QTest::addColumn<int>("battery");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        const QList<quint16> ohms = {1234, 1300, 1200};
        QTest::newRow("ohms, text")
            << 1 << 2 << ohms << 0 << "text"
            << "TIME  resistance  avg      12.34 Ω  max      13.00 Ω  min      12.00 Ω\n";
        QTest::newRow("ohms, json")
            << 1 << 2 << ohms << 0 << "json"
            << "{\"time\":\"TIME\",\"kind\":\"resistance\",\"unit\":\"Ω\",\"avg\":12.34,"
               "\"max\":13,\"min\":12,\"over_range\":false,\"battery_low\":false}\n";
        QTest::newRow("ohms, csv") << 1 << 2 << ohms << 0 << "csv"
                                   << "time,kind,unit,avg,max,min,value,over_range,battery_low\n"
                                      "TIME,resistance,Ω,12.34,13,12,,false,false\n";
        QTest::newRow("kilo-ohms over range, battery low, json")
            << 3 << 1 << QList<quint16>{123, 10000, 100} << 1 << "json"
            << "{\"time\":\"TIME\",\"kind\":\"resistance\",\"unit\":\"kΩ\",\"avg\":12.3,"
               "\"max\":null,\"min\":10,\"over_range\":true,\"battery_low\":true}\n";
        QTest::newRow("kilo-ohms over range, text")
            << 3 << 1 << QList<quint16>{123, 10000, 100} << 1 << "text"
            << "TIME  resistance  avg      12.3 kΩ  max           OL  min      10.0 kΩ"
               "  battery low\n";
        QTest::newRow("AC voltage, json")
            << 2 << 1 << QList<quint16>{2305, 0, 0} << 0 << "json"
            << "{\"time\":\"TIME\",\"kind\":\"ac_voltage\",\"unit\":\"V\",\"value\":230.5,"
               "\"over_range\":false,\"battery_low\":false}\n";
        QTest::newRow("reversed DC voltage, csv")
            << 5 << 2 << QList<quint16>{1234, 0, 0} << 0 << "csv"
            << "time,kind,unit,avg,max,min,value,over_range,battery_low\n"
               "TIME,dc_voltage,V,,,,-12.34,false,false\n";
        QTest::newRow("DC voltage over range, text")
            << 4 << 0 << QList<quint16>{10000, 0, 0} << 0 << "text"
            << "TIME  DC voltage            OL\n";
    }

    void readFormats()
    {
        QFETCH(int, kind);
        QFETCH(int, decimals);
        QFETCH(QList<quint16>, values);
        QFETCH(int, battery);
        QFETCH(QString, format);
        LinkedInstrument sim(instant());
        sim.instrument.setReading(kind, decimals, values[0], values[1], values[2], quint8(battery));
        const CliRun run = runCli({"read", "--format", format}, sim.path, work.path());
        QCOMPARE(run.exitCode, 0);
        QTEST(withoutTimes(run.outText()), "expected");
    }

    void portsListAndProbe()
    {
        LinkedInstrument sim(instant());
        const QString missing = work.filePath(QStringLiteral("no-such-port"));
        const QString both = missing + QLatin1Char(':') + sim.path;

        CliRun run = runCli({"ports"}, both, work.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), missing + QLatin1Char('\n') + sim.path + QLatin1Char('\n'));
        QCOMPARE(sim.instrument.receivedCommands(), QList<quint16>());

        run = runCli({"ports", "--probe"}, both, work.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(),
                 missing + QLatin1Char('\n') + sim.path + QStringLiteral("  [instrument]\n"));

        run = runCli({"ports", "--probe"}, missing, work.path());
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.outText(), missing + QLatin1Char('\n'));
        QVERIFY2(run.errText().contains(missing + QStringLiteral(": cannot open")),
                 qPrintable(run.errText()));
    }

    void noInstrument_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("simulator");
        QTest::addColumn<QString>("said");
        QTest::newRow("no port at all")
            << QStringList{"read"} << false << "telvoro-cli: no serial port found\n";
        QTest::newRow("a port that does not exist")
            << QStringList{"--port", "MISSING", "read"} << false
            << "telvoro-cli: no instrument found: MISSING: cannot open (";
        QTest::newRow("a silent instrument")
            << QStringList{"read"} << true << "telvoro-cli: no instrument found: SIM: no answer\n";
    }

    void noInstrument()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, simulator);
        QFETCH(QString, said);
        LinkedInstrument sim(instant());
        sim.instrument.setSilent(true);
        const QString missing = work.filePath(QStringLiteral("missing"));
        args.replaceInStrings(QStringLiteral("MISSING"), missing);
        said.replace(QStringLiteral("MISSING"), missing).replace(QStringLiteral("SIM"), sim.path);
        const CliRun run = runCli(args, simulator ? sim.path : QString(), work.path());
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.errText().startsWith(said), qPrintable(run.errText()));
    }

    void readFromAnInstrumentThatStopsAnswering()
    {
        LinkedInstrument sim(instant());
        QObject::connect(&sim.instrument, &PtyInstrument::commandReceived, &sim.instrument,
                         [&sim](quint16 code) {
                             if (code == Command::RequestReading)
                                 sim.instrument.setSilent(true);
                         });
        const CliRun run = runCli({"read"}, sim.path, work.path());
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.errText().endsWith(QStringLiteral("the instrument stopped answering\n")),
                 qPrintable(run.errText()));
        // The first request and the three it is asked again.
        QCOMPARE(sim.instrument.receivedCommands().count(Command::RequestReading), 4);
    }

    void watchCountsReadings_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("lines");
        QTest::newRow("text") << "text" << 3;
        QTest::newRow("csv, with its header") << "csv" << 4;
    }

    void watchCountsReadings()
    {
        QFETCH(QString, format);
        LinkedInstrument sim(instant());
        const CliRun run =
            runCli({"watch", "--count", "3", "--interval", "0.5", "--format", format}, sim.path,
                   work.path());
        QCOMPARE(run.exitCode, 0);
        QTEST(int(run.outText().split(u'\n', Qt::SkipEmptyParts).size()), "lines");
        QCOMPARE(sim.instrument.receivedCommands().count(Command::RequestReading), 3);
    }

    void watchEndsCleanlyOnASignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }

    void watchEndsCleanlyOnASignal()
    {
        QFETCH(int, signal);
        LinkedInstrument sim(instant());
        CliProcess cli(sim.path, work.path());
        cli.start({"watch", "--interval", "0.5", "--format", "json"});
        QVERIFY(cli.waitForLines(2));
        QCOMPARE(::kill(pid_t(cli.pid()), signal), 0);
        const CliRun run = cli.finish();
        QCOMPARE(run.exitCode, 0);
        // Every line whole: each one a JSON object, the last one ended.
        QVERIFY(run.out.endsWith('\n'));
        for (const QByteArray &line : run.out.split('\n')) {
            if (line.isEmpty())
                continue;
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(line, &error);
            QCOMPARE(error.error, QJsonParseError::NoError);
            QCOMPARE(document.object().value(QStringLiteral("avg")).toDouble(), 12.34);
        }
    }

    void watchWhenTheCableIsPulled_data()
    {
        QTest::addColumn<bool>("reconnect");
        QTest::newRow("gives up") << false;
        QTest::newRow("--reconnect finds it again") << true;
    }

    void watchWhenTheCableIsPulled()
    {
        QFETCH(bool, reconnect);
        LinkedInstrument sim(instant());
        CliProcess cli(sim.path, work.path());
        QStringList args = {"watch", "--interval", "0.5", "--count", "4"};
        if (reconnect)
            args << QStringLiteral("--reconnect");
        cli.start(args);
        QVERIFY(cli.waitForLines(2));
        sim.instrument.unplug();
        if (reconnect) {
            // Plugged in again a while later: the program goes on where it was.
            QTest::qWait(1500);
            QVERIFY(sim.replug());
        }
        const CliRun run = cli.finish();
        const QStringList lines = run.outText().split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(run.errText().contains(QStringLiteral("telvoro-cli: link lost: ")),
                 qPrintable(run.errText()));
        if (reconnect) {
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(lines.size(), 4);
            QVERIFY(run.errText().contains(QStringLiteral("looking for the instrument every 2 s")));
            QVERIFY(run.errText().contains(
                QStringLiteral("instrument found on %1; going on").arg(sim.path)));
        } else {
            QCOMPARE(run.exitCode, 3);
            QVERIFY(lines.size() >= 2 && lines.size() < 4);
        }
    }

    void watchWhenTheInstrumentFallsSilent()
    {
        LinkedInstrument sim(instant());
        int answered = 0;
        QObject::connect(&sim.instrument, &PtyInstrument::commandReceived, &sim.instrument,
                         [&](quint16 code) {
                             if (code == Command::RequestReading && ++answered > 2)
                                 sim.instrument.setSilent(true);
                         });
        const CliRun run = runCli({"watch", "--interval", "0.5"}, sim.path, work.path());
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.outText().split(u'\n', Qt::SkipEmptyParts).size(), 2);
        QVERIFY(run.errText().endsWith(QStringLiteral("the instrument stopped answering\n")));
    }

    void clearEmptiesTheDatabaseThenTheInstrument()
    {
        LinkedInstrument sim(instant());
        const QString db = work.filePath(QStringLiteral("history.db"));
        makeHistory(db, 12, QStringLiteral("接地电阻"));
        const CliRun run = runCli({"clear", "--yes", "--db", db}, sim.path, work.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(QTest::qWaitFor(
            [&] { return sim.instrument.receivedCommands().contains(Command::ClearRecords); },
            CliWaitMs));
        {
            QSqlDatabase check = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db);
            check.setDatabaseName(db);
            QVERIFY(check.open());
            QCOMPARE(HistoryStore::count(check), 0);
        }
        QSqlDatabase::removeDatabase(db);
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("no command") << QStringList{} << 1 << "A subcommand is required";
        QTest::newRow("unknown command")
            << QStringList{"frobnicate"} << 1 << "unknown command \"frobnicate\"";
        QTest::newRow("unknown option") << QStringList{"read", "--colour"} << 1
                                        << "The following argument was not expected: --colour";
        QTest::newRow("interval 0")
            << QStringList{"watch", "--interval", "0"} << 1 << "--interval: Value 0 not in range";
        QTest::newRow("count 0") << QStringList{"watch", "--count", "0"} << 1
                                 << "--count: Value 0 not in range";
        QTest::newRow("bad format") << QStringList{"read", "--format", "xml"} << 1
                                    << "--format: xml not in {text,json,csv}";
        QTest::newRow("backlight neither on nor off")
            << QStringList{"backlight", "dim"} << 1 << "state: dim not in {on,off}";
        QTest::newRow("export without a database")
            << QStringList{"export"} << 1 << "--db is required";
        QTest::newRow("export over its own database")
            << QStringList{"export", "--db", "DB", "-o", "DB"} << 4 << "it is the history database";
        QTest::newRow("download's CSV over its database")
            << QStringList{"download", "--db", "DB", "--csv", "DB"} << 4
            << "it is the history database";
        QTest::newRow("clear without --yes")
            << QStringList{"clear", "--db", "DB"} << 1 << "add --yes to go ahead";
        QTest::newRow("clear a database that is not one")
            << QStringList{"clear", "--yes", "--db", "TEXT"} << 4 << "is not a history database";
    }

    void badInputChangesNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        LinkedInstrument sim(instant());
        const QString db = work.filePath(QStringLiteral("history.db"));
        makeHistory(db, 3, QStringLiteral("接地电阻"));
        const QString text = work.filePath(QStringLiteral("notes.txt"));
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("not a database\n");
        notes.close();
        const QByteArray dbBefore = fileBytes(db);
        args.replaceInStrings(QStringLiteral("DB"), db)
            .replaceInStrings(QStringLiteral("TEXT"), text);

        const CliRun run = runCli(args, sim.path, work.path());
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.errText().contains(said), qPrintable(run.errText()));
        if (exitCode == 1)
            QVERIFY2(run.errText().contains(QStringLiteral("Usage: telvoro-cli")),
                     qPrintable(run.errText()));
        QTest::qWait(100);
        QCOMPARE(sim.instrument.receivedCommands(), QList<quint16>());
        QCOMPARE(fileBytes(db), dbBefore);
        QCOMPARE(fileBytes(text), QByteArray("not a database\n"));
    }

    void helpAndVersion_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("shown");
        QTest::newRow("--help") << QStringList{"--help"}
                                << "Usage: telvoro-cli [OPTIONS] SUBCOMMAND";
        QTest::newRow("watch --help") << QStringList{"watch", "--help"} << "--reconnect";
        QTest::newRow("--version") << QStringList{"--version"} << "telvoro-cli 1.0.0\n";
        QTest::newRow("--version licence")
            << QStringList{"--version"} << "License GPL-3.0-or-later: GNU GPL version 3 or later";
    }

    void helpAndVersion()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, shown);
        const CliRun run = runCli(args, QString(), work.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.outText().contains(shown), qPrintable(run.outText()));
        if (args.contains(QStringLiteral("--help")))
            QVERIFY(run.outText().contains(
                QStringLiteral("3  the link was lost or the instrument stopped answering")));
    }

private:
    QTemporaryDir work;
};

QTEST_GUILESS_MAIN(TestCliCommands)
#include "test_clicommands.moc"
