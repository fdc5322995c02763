// telvoro-cli end to end, everything but the download: ports, read, watch, the instrument's
// commands, clear, help and bad usage, against the simulated instrument.
#include "clifixture.h"
#include "historyrecord.h"
#include "historystore.h"
#include "protocol.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
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
        QTest::addColumn<QString>("said"); // FOUND: the port the search found
        const QString found = QStringLiteral("telvoro-cli: instrument found on FOUND\n");
        QTest::newRow("test") << QStringList{"test"} << Command::SingleTest << found;
        QTest::newRow("calibrate")
            << QStringList{"calibrate"} << Command::LineResistanceCheck << found;
        QTest::newRow("backlight on")
            << QStringList{"backlight", "on"} << Command::BacklightOn << found;
        QTest::newRow("backlight off")
            << QStringList{"backlight", "off"} << Command::BacklightOff << found;
        QTest::newRow("buzzer on") << QStringList{"buzzer", "on"} << Command::BuzzerOn << found;
        QTest::newRow("buzzer off, --port after the command")
            << QStringList{"buzzer", "off", "--port", "PORT"} << Command::BuzzerOff << QString();
        QTest::newRow("clear") << QStringList{"clear", "--yes"} << Command::ClearRecords
                               << found + "telvoro-cli: erased the records on the instrument\n";
        // Quiet: neither the port found nor the summary line.
        QTest::newRow("-q test") << QStringList{"-q", "test"} << Command::SingleTest << QString();
        QTest::newRow("clear --quiet")
            << QStringList{"clear", "--yes", "--quiet"} << Command::ClearRecords << QString();
    }

    void commandsReachTheInstrument()
    {
        QFETCH(QStringList, args);
        QFETCH(quint16, code);
        QFETCH(QString, said);
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        args.replaceInStrings(QStringLiteral("PORT"), sim.path);
        const CliRun run = runCli(args, sim.path, work.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray());
        // Only a search says where it found the instrument.
        QCOMPARE(run.errText(), said.replace(QStringLiteral("FOUND"), sim.path));
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
        QTest::newRow("csv without its header") << 1 << 2 << ohms << 0 << "csv --no-header"
                                                << "TIME,resistance,Ω,12.34,13,12,,false,false\n";
        // The instrument answered: it has no measurement to show (kind 0, and 6..15).
        QTest::newRow("no measurement, text") << 0 << 2 << ohms << 0 << "text"
                                              << "TIME  no measurement\n";
        QTest::newRow("no measurement, json")
            << 0 << 2 << ohms << 0 << "json"
            << "{\"time\":\"TIME\",\"kind\":\"none\",\"battery_low\":false}\n";
        QTest::newRow("no measurement (kind 9), battery low, csv")
            << 9 << 2 << ohms << 1 << "csv"
            << "time,kind,unit,avg,max,min,value,over_range,battery_low\n"
               "TIME,none,,,,,,,true\n";
    }

    void readFormats()
    {
        QFETCH(int, kind);
        QFETCH(int, decimals);
        QFETCH(QList<quint16>, values);
        QFETCH(int, battery);
        QFETCH(QString, format);
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        sim.instrument.setReading(kind, decimals, values[0], values[1], values[2], quint8(battery));
        const CliRun run =
            runCli(QStringList{"read", "--format"} + format.split(u' '), sim.path, work.path());
        QCOMPARE(run.exitCode, 0);
        QTEST(withoutTimes(run.outText()), "expected");
        QCOMPARE(sim.instrument.receivedCommands().count(Command::RequestReading), 1);
    }

    void portsListAndProbe()
    {
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
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

        run = runCli({"ports", "--format", "json"}, both, work.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), QStringLiteral("[\n{\"path\":\"%1\",\"description\":\"\"},\n"
                                               "{\"path\":\"%2\",\"description\":\"\"}\n]\n")
                                    .arg(missing, sim.path));
        run = runCli({"ports", "--probe", "--format", "json"}, both, work.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(),
                 QStringLiteral("[\n{\"path\":\"%1\",\"description\":\"\",\"instrument\":false},\n"
                                "{\"path\":\"%2\",\"description\":\"\",\"instrument\":true}\n]\n")
                     .arg(missing, sim.path));
        run = runCli({"ports", "--format", "json"}, QString(), work.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), QStringLiteral("[\n]\n"));
    }

    void noInstrument_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("simulator");
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("probes");
        QTest::newRow("no port at all")
            << QStringList{"read"} << false << "telvoro-cli: no serial port found\n"
            << 0;
        QTest::newRow("a port that does not exist")
            << QStringList{"--port", "MISSING", "read"} << false
            << "telvoro-cli: no instrument found: MISSING: cannot open (" << 0;
        // A relative path is the working directory's, and the message names the path tried.
        QTest::newRow("a relative port that does not exist")
            << QStringList{"--port", "missing", "read"} << false
            << "telvoro-cli: no instrument found: MISSING: cannot open (No such file or directory)"
            << 0;
        QTest::newRow("a silent instrument")
            << QStringList{"read"} << true << "telvoro-cli: no instrument found: SIM: no answer\n"
            << 1;
        // A named port is asked again before it counts as silent.
        QTest::newRow("a silent instrument on --port")
            << QStringList{"read", "--port", "SIM"} << true
            << "telvoro-cli: no instrument found: SIM: no answer to 4 probes\n"
            << 4;
    }

    void noInstrument()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, simulator);
        QFETCH(QString, said);
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        sim.instrument.setSilent(true);
        const QString missing = work.filePath(QStringLiteral("missing"));
        args.replaceInStrings(QStringLiteral("MISSING"), missing)
            .replaceInStrings(QStringLiteral("SIM"), sim.path);
        said.replace(QStringLiteral("MISSING"), missing).replace(QStringLiteral("SIM"), sim.path);
        const CliRun run = runCli(args, simulator ? sim.path : QString(), work.path());
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.errText().startsWith(said), qPrintable(run.errText()));
        QTEST(int(sim.instrument.receivedCommands().count(Command::Probe)), "probes");
    }

    // One byte of the handshake lost on a noisy line (this seed drops one of the first reply):
    // a named port is asked again.
    void aNamedPortIsProbedAgain()
    {
        SimOptions noisy;
        noisy.seed = 11;
        noisy.dropProbability = 0.01;
        noisy.noiseBytes = 5;
        noisy.maxChunk = 4;
        LinkedInstrument sim(noisy);
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        const CliRun run =
            runCli({"--port", sim.path, "read", "--format", "json"}, QString(), work.path());
        QVERIFY2(run.exitCode == 0, qPrintable(run.errText()));
        QVERIFY(run.outText().contains(QStringLiteral("\"avg\":12.34")));
        QCOMPARE(sim.instrument.receivedCommands().count(Command::Probe), 2);
    }

    // A relative path, on the command line or in TELVORO_EXTRA_PORTS, is taken from the working
    // directory, not from /dev.
    void relativePortsMeanTheWorkingDirectory_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("extraPorts");
        QTest::addColumn<QString>("said");
        QTest::newRow("--port") << QStringList{"--port", "rel-tty", "read"} << QString()
                                << QString();
        QTest::newRow("TELVORO_EXTRA_PORTS")
            << QStringList{"read"} << "sub/rel-tty"
            << "telvoro-cli: instrument found on WORK/sub/rel-tty\n";
        QTest::newRow("TELVORO_EXTRA_PORTS, ./ and a missing one first")
            << QStringList{"read"} << "gone:./rel-tty"
            << "telvoro-cli: instrument found on WORK/rel-tty\n";
    }

    void relativePortsMeanTheWorkingDirectory()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, extraPorts);
        QFETCH(QString, said);
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        QVERIFY(QDir(work.path()).mkpath(QStringLiteral("sub")));
        for (const QString &name : {QStringLiteral("rel-tty"), QStringLiteral("sub/rel-tty")}) {
            QFile::remove(work.filePath(name));
            QVERIFY(QFile::link(sim.instrument.slavePath(), work.filePath(name)));
        }
        const CliRun run = runCli(args, extraPorts, work.path());
        QVERIFY2(run.exitCode == 0, qPrintable(run.errText()));
        QCOMPARE(withoutTimes(run.outText()).left(6), QStringLiteral("TIME  "));
        QCOMPARE(run.errText(), said.replace(QStringLiteral("WORK"), work.path()));
    }

    // The instrument under two names (its device and a link to it, as /dev/serial/by-id/...
    // and /dev/ttyUSB0): the second session is refused and the first one goes on.
    void oneDeviceOneSession_data()
    {
        QTest::addColumn<bool>("linkFirst");
        QTest::newRow("the link, then the device") << true;
        QTest::newRow("the device, then the link") << false;
    }

    void oneDeviceOneSession()
    {
        QFETCH(bool, linkFirst);
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        const QString device = sim.instrument.slavePath();
        const QString first = linkFirst ? sim.path : device;
        const QString second = linkFirst ? device : sim.path;
        // The first session watches until it is told to stop, so the second surely meets it
        // however slowly it starts.
        CliProcess watching(QString(), work.path());
        watching.start({"--port", first, "watch", "--interval", "0.5"});
        QVERIFY(watching.waitForLines(1));

        const CliRun refused = runCli({"--port", second, "read"}, QString(), work.path());
        QCOMPARE(refused.exitCode, 2);
        QCOMPARE(refused.out, QByteArray());
        QVERIFY2(refused.errText().contains(second + QStringLiteral(": cannot open (")) &&
                     refused.errText().contains(QStringLiteral("another program is using it")),
                 qPrintable(refused.errText()));

        // The first session goes on reading after the refused one.
        const int before = int(watching.linesSoFar().size());
        QVERIFY(watching.waitForLines(before + 2));
        watching.terminate();
        const CliRun run = watching.finish();
        QVERIFY2(run.exitCode == 0, qPrintable(run.errText()));
        QVERIFY(run.outText().split(u'\n', Qt::SkipEmptyParts).size() >= before + 2);
        QCOMPARE(sim.instrument.receivedCommands().count(Command::Probe), 1);
    }

    void readFromAnInstrumentThatStopsAnswering()
    {
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
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
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("line");
        const QString csvHeader = "time,kind,unit,avg,max,min,value,over_range,battery_low";
        QTest::newRow("text")
            << 1 << "text" << QString()
            << "TIME  resistance  avg      12.34 Ω  max      13.00 Ω  min      12.00 Ω";
        QTest::newRow("csv, with its header")
            << 1 << "csv" << csvHeader << "TIME,resistance,Ω,12.34,13,12,,false,false";
        QTest::newRow("csv, --no-header")
            << 1 << "csv --no-header" << QString() << "TIME,resistance,Ω,12.34,13,12,,false,false";
        // Readings without a measurement are answers: they are printed and counted.
        QTest::newRow("no measurement, text") << 0 << "text" << QString() << "TIME  no measurement";
        QTest::newRow("no measurement (kind 6), json")
            << 6 << "json" << QString()
            << "{\"time\":\"TIME\",\"kind\":\"none\",\"battery_low\":false}";
        QTest::newRow("no measurement (kind 15), csv")
            << 15 << "csv" << csvHeader << "TIME,none,,,,,,,false";
    }

    void watchCountsReadings()
    {
        QFETCH(int, kind);
        QFETCH(QString, format);
        QFETCH(QString, header);
        QFETCH(QString, line);
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        sim.instrument.setReading(kind, 2, 1234, 1300, 1200);
        const CliRun run =
            runCli(QStringList{"watch", "--count", "3", "--interval", "0.5", "--format"} +
                       format.split(u' '),
                   sim.path, work.path());
        QCOMPARE(run.exitCode, 0);
        QStringList expected = {line, line, line};
        if (!header.isEmpty())
            expected.prepend(header);
        QCOMPARE(withoutTimes(run.outText()).split(u'\n', Qt::SkipEmptyParts), expected);
        QCOMPARE(sim.instrument.receivedCommands().count(Command::RequestReading), 3);
        // Half a second apart, each reading has a time of its own.
        static const QRegularExpression time(QStringLiteral(R"(T[\d:.]+[+-])"));
        QStringList times;
        for (const QRegularExpressionMatch &m : time.globalMatch(run.outText()))
            times << m.captured();
        QCOMPARE(times.size(), 3);
        QCOMPARE(QSet<QString>(times.begin(), times.end()).size(), 3);
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
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
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
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
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

    // A logger that boots before the instrument is plugged in waits for it.
    void watchReconnectWaitsForTheInstrument()
    {
        const QString path = work.filePath(QStringLiteral("later-tty"));
        CliProcess cli(QString(), work.path());
        cli.start({"--port", path, "watch", "--interval", "0.5", "--count", "2", "--reconnect"});
        // Nothing to find for a while (the program looks every 2 s), then the instrument.
        QTest::qWait(2500);
        PtyInstrument instrument(instant());
        QVERIFY(instrument.open());
        QVERIFY(QFile::link(instrument.slavePath(), path));
        const CliRun run = cli.finish();
        QVERIFY2(run.exitCode == 0, qPrintable(run.errText()));
        QCOMPARE(run.outText().split(u'\n', Qt::SkipEmptyParts).size(), 2);
        QVERIFY2(
            run.errText().startsWith(
                QStringLiteral("telvoro-cli: no instrument found: %1: cannot open (").arg(path)),
            qPrintable(run.errText()));
        QVERIFY(run.errText().contains(QStringLiteral("looking for the instrument every 2 s")));
        QVERIFY(
            run.errText().contains(QStringLiteral("instrument found on %1; going on").arg(path)));
        QFile::remove(path);
    }

    void watchWhenTheInstrumentFallsSilent()
    {
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
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
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        const QString db = work.filePath(QStringLiteral("history.db"));
        QVERIFY(makeHistory(db, 12, QStringLiteral("接地电阻")));
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

    // test --wait prints the reading the test gives, once the instrument has it.
    void testWaitPrintsTheNewReading()
    {
        SimOptions options = instant();
        options.testTimeMs = 1500;
        LinkedInstrument sim(options);
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        const protocol::InstrumentFrame before = sim.instrument.readingFrame();
        const CliRun run = runCli({"test", "--wait", "--format", "json"}, sim.path, work.path());
        QVERIFY2(run.exitCode == 0, qPrintable(run.errText()));
        QVERIFY(!sim.instrument.testRunning());
        const protocol::InstrumentFrame after = sim.instrument.readingFrame();
        QVERIFY(after != before);
        const QStringList lines = run.outText().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        const QJsonObject printed = QJsonDocument::fromJson(lines.front().toUtf8()).object();
        const double scale = 100; // two decimals
        QCOMPARE(printed.value(QStringLiteral("avg")).toDouble(),
                 ((after[2] << 8) | after[3]) / scale);
        QCOMPARE(printed.value(QStringLiteral("max")).toDouble(),
                 ((after[4] << 8) | after[5]) / scale);
        const QList<quint16> commands = sim.instrument.receivedCommands();
        QCOMPARE(commands.mid(0, 3),
                 QList<quint16>({Command::Probe, Command::RequestReading, Command::SingleTest}));
        QCOMPARE(commands.last(), Command::RequestReading);
    }

    // download's summary line is left out with -q too.
    void quietDownloadSaysNothing()
    {
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        const QString csv = work.filePath(QStringLiteral("quiet.csv"));
        const CliRun run = runCli({"-q", "download", "--csv", csv}, sim.path, work.path());
        QVERIFY2(run.exitCode == 0, qPrintable(run.errText()));
        QCOMPARE(run.errText(), QString());
        QVERIFY(QFile::exists(csv));
    }

    // A result that cannot be written is an error that says why.
    void fullStandardOutput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("read") << QStringList{"read"};
        QTest::newRow("watch") << QStringList{"watch", "--count", "2"};
        QTest::newRow("ports") << QStringList{"ports"};
        QTest::newRow("ports as JSON") << QStringList{"ports", "--format", "json"};
    }

    void fullStandardOutput()
    {
        QFETCH(QStringList, args);
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TELVORO_EXTRA_PORTS"), sim.path);
        env.insert(QStringLiteral("TELVORO_ONLY_EXTRA_PORTS"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(QStringLiteral(TELVORO_CLI_PATH), args);
        QVERIFY(
            QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, CliWaitMs));
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(process.exitCode(), 4);
        QVERIFY2(err.endsWith(QStringLiteral(
                     "telvoro-cli: cannot write to standard output: No space left on device\n")),
                 qPrintable(err));
    }

    // A stop while the instrument is looked for: nothing was done, and the status says so.
    void stopDuringThePortSearch_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("silentInstrument");
        QTest::newRow("read, SIGINT") << QStringList{"read"} << int(SIGINT) << true;
        QTest::newRow("watch, SIGTERM") << QStringList{"watch"} << int(SIGTERM) << true;
        QTest::newRow("test --wait, SIGTERM")
            << QStringList{"test", "--wait"} << int(SIGTERM) << true;
        QTest::newRow("backlight, SIGINT") << QStringList{"backlight", "on"} << int(SIGINT) << true;
        QTest::newRow("ports --probe, SIGINT")
            << QStringList{"ports", "--probe"} << int(SIGINT) << true;
        QTest::newRow("watch --reconnect waiting for it, SIGTERM")
            << QStringList{"watch", "--reconnect"} << int(SIGTERM) << false;
    }

    void stopDuringThePortSearch()
    {
        QFETCH(QStringList, args);
        QFETCH(int, signal);
        QFETCH(bool, silentInstrument);
        LinkedInstrument sim(instant());
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        sim.instrument.setSilent(true);
        // A silent instrument on --port is probed four times (3.2 s): time enough to stop it.
        const QString port = silentInstrument ? sim.path : work.filePath(QStringLiteral("absent"));
        CliProcess cli(QString(), work.path());
        cli.start(QStringList{"--port", port} + args);
        if (silentInstrument)
            QVERIFY(QTest::qWaitFor(
                [&] { return sim.instrument.receivedCommands().contains(Command::Probe); },
                CliWaitMs));
        else
            QTest::qWait(1000);
        // A program that already ended has no id: kill(0) would stop this test's whole group.
        QVERIFY(cli.pid() > 0);
        QCOMPARE(::kill(pid_t(cli.pid()), signal), 0);
        const CliRun run = cli.finish();
        QCOMPARE(run.exitCode, 130);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.errText().endsWith(
                     QStringLiteral("telvoro-cli: interrupted %1\n")
                         .arg(args.front() == QLatin1String("ports")
                                  ? QStringLiteral("while the ports were probed")
                                  : QStringLiteral("before the instrument was found"))),
                 qPrintable(run.errText()));
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
        QTest::newRow("unknown option, no command")
            << QStringList{"--bogus"} << 1 << "telvoro-cli: unknown option \"--bogus\"";
        QTest::newRow("empty --port")
            << QStringList{"--port", "", "read"} << 1 << "--port: a port name cannot be empty";
        QTest::newRow("interval 0") << QStringList{"watch", "--interval", "0"} << 1
                                    << "--interval: not a number of seconds from 0.5 to 86400: 0";
        QTest::newRow("interval nan") << QStringList{"watch", "--interval", "nan"} << 1
                                      << "--interval: not a number of seconds";
        QTest::newRow("interval inf") << QStringList{"watch", "--interval", "inf"} << 1
                                      << "--interval: not a number of seconds";
        QTest::newRow("negative interval") << QStringList{"watch", "--interval", "-1"} << 1
                                           << "--interval: not a number of seconds";
        QTest::newRow("export to an empty name")
            << QStringList{"export", "--db", "DB", "-o", ""} << 1 << "a file name cannot be empty";
        QTest::newRow("export's --limit without --verdict")
            << QStringList{"export", "--db", "DB", "--limit", "4"} << 1
            << "--limit requires --verdict";
        QTest::newRow("report to an empty name")
            << QStringList{"report", "--db", "DB", "-o", ""} << 1 << "a file name cannot be empty";
        QTest::newRow("a report and its verdict both on stdout")
            << QStringList{"report", "--db", "DB", "-o", "-", "--limit", "4", "--verdict", "-"} << 1
            << "both go to standard output";
        QTest::newRow("export's verdict over its database")
            << QStringList{"export",  "--db", "DB",        "-o", "/dev/null",
                           "--limit", "4",    "--verdict", "DB"}
            << 4 << "it is the history database";
        QTest::newRow("export and its verdict both on stdout")
            << QStringList{"export", "--db", "DB", "--limit", "4", "--verdict", "-"} << 1
            << "both go to standard output";
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
        QVERIFY2(sim.isValid(), qPrintable(sim.errorString()));
        const QString db = work.filePath(QStringLiteral("history.db"));
        QVERIFY(makeHistory(db, 3, QStringLiteral("接地电阻")));
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
