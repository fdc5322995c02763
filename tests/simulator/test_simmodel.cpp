#include "commandparser.h"
#include "instrumentmodel.h"
#include "knownframes.h"
#include "lineclock.h"
#include "linescheduler.h"
#include "protocol.h"
#include "recordgenerator.h"
#include "simrandom.h"

#include <QtTest>

#include <set>

using namespace protocol;

namespace
{

QByteArray toBytes(const std::vector<std::uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
}

QByteArray toBytes(const InstrumentFrame &f)
{
    return QByteArray(reinterpret_cast<const char *>(f.data()), qsizetype(f.size()));
}

// Everything the model sends for `input`, all arriving at `nowMs`.
QByteArray feed(sim::InstrumentModel &model, const QByteArray &input, std::int64_t nowMs = 0)
{
    QByteArray out;
    const auto exchanges = model.receive(reinterpret_cast<const std::uint8_t *>(input.data()),
                                         std::size_t(input.size()), nowMs);
    for (const sim::Exchange &e : exchanges)
        out += toBytes(e.reply);
    return out;
}

// Five records with the documented kilo-ohm record at number 3.
std::vector<InstrumentFrame> fiveRecords()
{
    std::vector<InstrumentFrame> records;
    for (std::uint16_t n = 1; n <= 5; ++n)
        records.push_back(buildFrame(0x12, 0, std::uint16_t(1000 + n), 1100, 900, n));
    records[2] = knownframes::RecordThreeKiloOhms;
    return records;
}

sim::ModelSettings quickSettings()
{
    sim::ModelSettings s;
    s.testTimeMs = 0;
    return s;
}

} // namespace

class TestSimModel : public QObject
{
    Q_OBJECT

private slots:
    // Each row: bytes received at one moment -> exact bytes sent back.
    void replies_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("answerDoubled");

        const QByteArray handshake = toBytes(knownframes::Handshake);
        const QByteArray reading = toBytes(knownframes::ReadingOhms);
        const QByteArray countFive = toBytes(knownframes::CountFive);
        const QByteArray countZero = QByteArray::fromHex("0000000000000000e000e0");
        const QByteArray record1 = toBytes(fiveRecords()[0]);
        const QByteArray record3 = toBytes(knownframes::RecordThreeKiloOhms);
        const auto hex = [](const char *h) { return QByteArray::fromHex(h); };

        QTest::newRow("probe") << hex("6465fba6") << handshake << false;
        QTest::newRow("reading") << hex("6465ea60") << reading << false;
        QTest::newRow("count") << hex("6465f765") << countFive << false;
        QTest::newRow("record 1") << hex("64650001") << record1 << false;
        QTest::newRow("record 3") << hex("64650003") << record3 << false;
        QTest::newRow("record 5 is the last")
            << hex("64650005") << toBytes(fiveRecords()[4]) << false;
        QTest::newRow("record 0: no answer") << hex("64650000") << QByteArray() << false;
        QTest::newRow("record 6: no answer") << hex("64650006") << QByteArray() << false;
        QTest::newRow("record 300: no answer") << hex("6465012c") << QByteArray() << false;
        QTest::newRow("unknown code: no answer") << hex("6465eab8") << QByteArray() << false;
        QTest::newRow("actions: no answer")
            << hex("6465eeb7 6465f744 6465f74f 6465f770 6465fb90 6465fb9b") << QByteArray()
            << false;
        QTest::newRow("clear, then count 0") << hex("6465fbbc 6465f765") << countZero << false;
        QTest::newRow("clear, then record 1: no answer")
            << hex("6465fbbc 64650001") << QByteArray() << false;
        QTest::newRow("doubled probe answered once")
            << hex("6465fba6 6465fba6") << handshake << false;
        QTest::newRow("doubled probe answered twice")
            << hex("6465fba6 6465fba6") << handshake + handshake << true;
        QTest::newRow("two doubled requests: each answered once")
            << hex("6465ea60 6465ea60 6465ea60 6465ea60") << reading + reading << false;
        QTest::newRow("different commands back to back")
            << hex("6465fba6 6465ea60 6465f765") << handshake + reading + countFive << false;
        QTest::newRow("doubled record requests N, N+1")
            << hex("64650001 64650001 64650003 64650003") << record1 + record3 << false;
        QTest::newRow("garbage before a command")
            << hex("00 ff 65 aa 6465fba6") << handshake << false;
        QTest::newRow("lone prefix bytes resync")
            << hex("64 64 6465ea60 65 6465f765") << reading + countFive << false;
        QTest::newRow("broken prefix is skipped") << hex("64 00 6465fba6") << handshake << false;
        QTest::newRow("incomplete command: nothing yet") << hex("6465fb") << QByteArray() << false;
    }

    void replies()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QFETCH(bool, answerDoubled);

        sim::ModelSettings settings = quickSettings();
        settings.answerDoubledCommands = answerDoubled;
        sim::InstrumentModel model(settings);
        model.setRecords(fiveRecords());

        QCOMPARE(feed(model, input).toHex(' '), expected.toHex(' '));
    }

    void bytesMayArriveOneAtATime()
    {
        const QByteArray input = QByteArray::fromHex("00 6465fba6 6465ea60 ff 64650002");
        sim::InstrumentModel whole(quickSettings());
        sim::InstrumentModel trickled(quickSettings());
        QByteArray trickledOut;
        for (const char byte : input)
            trickledOut += feed(trickled, QByteArray(1, byte));
        QVERIFY(!trickledOut.isEmpty());
        QCOMPARE(trickledOut.toHex(), feed(whole, input).toHex());
    }

    // A doubled copy follows at once; the same command sent again later (the legacy console's
    // re-request every 100 ms) is a new command and is answered.
    void repeatedCommandIsAnsweredOutsideTheWindow_data()
    {
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<int>("answers");
        QTest::newRow("same moment") << 0 << 1;
        QTest::newRow("within the window")
            << int(sim::InstrumentModel::DoubledCommandWindowMs) << 1;
        QTest::newRow("just after the window")
            << int(sim::InstrumentModel::DoubledCommandWindowMs + 1) << 2;
        QTest::newRow("re-request 100 ms later") << 100 << 2;
    }

    void repeatedCommandIsAnsweredOutsideTheWindow()
    {
        QFETCH(int, gapMs);
        QFETCH(int, answers);
        sim::InstrumentModel model(quickSettings());
        const QByteArray probe = QByteArray::fromHex("6465fba6");
        const int sent = feed(model, probe, 1000).size() + feed(model, probe, 1000 + gapMs).size();
        QCOMPARE(sent, answers * int(FrameSize));
    }

    void newSessionForgetsTheLastCommand()
    {
        sim::InstrumentModel model(quickSettings());
        const QByteArray probe = QByteArray::fromHex("6465fba6");
        QCOMPARE(feed(model, probe).size(), int(FrameSize));
        QCOMPARE(feed(model, QByteArray::fromHex("6465ea")).size(), 0);
        model.startSession();
        // The same command from the next client is answered, and the half command before it
        // does not swallow its first bytes.
        QCOMPARE(feed(model, probe).toHex(), toBytes(HandshakeReply).toHex());
    }

    void singleTestChangesTheReadingAfterTheTestTime()
    {
        sim::ModelSettings settings;
        settings.testTimeMs = 3000;
        sim::InstrumentModel model(settings);
        const QByteArray before = toBytes(model.readingFrame());
        const QByteArray singleTest = QByteArray::fromHex("6465eeb7");
        const QByteArray request = QByteArray::fromHex("6465ea60");

        QVERIFY(feed(model, singleTest, 10'000).isEmpty());
        QCOMPARE(model.testDueMs(), std::optional<std::int64_t>(13'000));
        QCOMPARE(feed(model, request, 12'999), before);
        // A second test while one runs does not restart it.
        feed(model, singleTest, 12'999);
        QCOMPARE(model.testDueMs(), std::optional<std::int64_t>(13'000));

        const QByteArray after = feed(model, request, 13'000);
        QVERIFY(!model.testRunning());
        QCOMPARE(after.size(), int(FrameSize));
        QVERIFY(after != before);
        const auto *f = reinterpret_cast<const std::uint8_t *>(after.constData());
        QVERIFY(checkFrame(f));
        QCOMPARE(readMarker(f), ReadingMarker);
        QCOMPARE(f[0], std::uint8_t(0x12));
        const int a = readValue(f, Value::A), b = readValue(f, Value::B),
                  c = readValue(f, Value::C);
        // Near the configured 1234/1300/1200, and still min <= avg <= max.
        QVERIFY2(qAbs(a - 1234) <= 25 && qAbs(b - 1300) <= 26 && qAbs(c - 1200) <= 24,
                 qPrintable(after.toHex(' ')));
        QVERIFY(c <= a && a <= b);
    }

    void testResultsFollowTheSeed()
    {
        const auto results = [](std::uint64_t seed) {
            sim::ModelSettings settings = quickSettings();
            settings.seed = seed;
            sim::InstrumentModel model(settings);
            QByteArray all;
            for (int i = 0; i < 5; ++i) {
                model.handle(Command::SingleTest, i * 1000);
                all += toBytes(model.readingFrame());
            }
            return all;
        };
        QCOMPARE(results(9), results(9));
        QVERIFY(results(9) != results(10));
    }

    void overRangeStaysOverRangeAfterATest()
    {
        sim::InstrumentModel model(quickSettings());
        model.setReading({1, 1, OverRangeRaw, OverRangeRaw, 500, 0});
        model.handle(Command::SingleTest, 0);
        const InstrumentFrame f = model.readingFrame();
        QCOMPARE(readValue(f.data(), Value::A), OverRangeRaw);
        QCOMPARE(readValue(f.data(), Value::B), OverRangeRaw);
        QVERIFY(readValue(f.data(), Value::C) != OverRangeRaw);
    }

    void setReadingIsReportedExactly()
    {
        sim::InstrumentModel model(quickSettings());
        model.setReading({5, 1, 250, 260, 240, 0});
        QCOMPARE(feed(model, QByteArray::fromHex("6465ea60")).toHex(' '),
                 toBytes(buildFrame(0x51, 0, 250, 260, 240, ReadingMarker)).toHex(' '));
    }

    void actionsChangeState()
    {
        sim::InstrumentModel model(quickSettings());
        QVERIFY(!model.backlightOn());
        QVERIFY(!model.buzzerOn());
        // Each doubled like the legacy console sends them; a copy must not act twice.
        feed(model, QByteArray::fromHex("6465fb9b6465fb9b"), 0);
        feed(model, QByteArray::fromHex("6465f74f6465f74f"), 100);
        feed(model, QByteArray::fromHex("6465f7706465f770"), 200);
        QVERIFY(model.backlightOn());
        QVERIFY(model.buzzerOn());
        QCOMPARE(model.leadChecks(), 1);
        feed(model, QByteArray::fromHex("6465fb90 6465f744"), 300);
        QVERIFY(!model.backlightOn());
        QVERIFY(!model.buzzerOn());
    }

    void generatedRecordsAreValidAndVaried()
    {
        const auto records = sim::generateRecords(1, 300);
        QCOMPARE(records.size(), std::size_t(300));
        std::set<int> kinds;
        int lowBattery = 0, overRange = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const std::uint8_t *f = records[i].data();
            QVERIFY(checkFrame(f));
            QCOMPARE(int(readMarker(f)), int(i + 1));
            const ModeByte mode = splitMode(f[0]);
            QVERIFY2(mode.kind >= 1 && mode.kind <= 5, qPrintable(QString::number(mode.kind)));
            QVERIFY(mode.decimals == 1 || mode.decimals == 2);
            kinds.insert(mode.kind);
            lowBattery += f[1] != 0;
            for (const Value v : {Value::A, Value::B, Value::C}) {
                QVERIFY(readValue(f, v) <= OverRangeRaw);
                overRange += readValue(f, v) == OverRangeRaw;
            }
        }
        QVERIFY(kinds.count(1) && kinds.count(3));
        QVERIFY(kinds.count(2) || kinds.count(4) || kinds.count(5));
        QVERIFY(lowBattery > 0 && lowBattery < 300);
        QVERIFY(overRange > 0);
    }

    // The same seed must give the same records on every platform and whatever the count.
    void recordsDependOnSeedAndNumberOnly()
    {
        QCOMPARE(toBytes(sim::generateRecord(1, 1)).toHex(' '),
                 QByteArray("12 01 09 d2 0a c2 09 49 00 01 0d"));
        const auto five = sim::generateRecords(1, 5);
        const auto fifty = sim::generateRecords(1, 50);
        QVERIFY(std::equal(five.begin(), five.end(), fifty.begin()));
        QVERIFY(sim::generateRecords(2, 5) != five);
        QCOMPARE(sim::generateRecords(1, -3).size(), std::size_t(0));
        QCOMPARE(sim::generateRecords(1, 70000).size(), std::size_t(sim::MaxRecordCount));
    }

    void downloadReturnsTheStoredRecords()
    {
        sim::ModelSettings settings = quickSettings();
        settings.recordCount = 40;
        settings.seed = 5;
        sim::InstrumentModel model(settings);
        const QByteArray count = feed(model, QByteArray::fromHex("6465f765"));
        QCOMPARE(readValue(reinterpret_cast<const std::uint8_t *>(count.constData()), Value::A),
                 std::uint16_t(40));
        for (std::uint16_t n = 1; n <= 40; ++n) {
            const CommandFrame command = buildCommand(RequestRecord(n));
            const QByteArray got =
                feed(model, QByteArray(reinterpret_cast<const char *>(command.data()), 4), n);
            QCOMPARE(got, toBytes(model.records()[n - 1u]));
        }
    }

    // Commands hidden in noise that can never start one come out exactly, in order, and every
    // byte is accounted for.
    void parserFindsCommandsInNoise()
    {
        sim::Random random(42);
        std::vector<std::uint8_t> stream;
        std::vector<CommandCode> sent;
        for (int i = 0; i < 500; ++i) {
            const int noise = random.between(0, 5);
            for (int j = 0; j < noise; ++j) {
                std::uint8_t byte = std::uint8_t(random.below(256));
                if (byte == CommandPrefix0)
                    byte = 0;
                stream.push_back(byte);
            }
            const auto code = CommandCode(random.below(65536));
            sent.push_back(code);
            const CommandFrame frame = buildCommand(code);
            stream.insert(stream.end(), frame.begin(), frame.end());
        }
        sim::CommandParser parser;
        std::vector<CommandCode> got;
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t piece =
                std::min<std::size_t>(random.between(1, 9), stream.size() - at);
            const auto codes = parser.feed(stream.data() + at, piece);
            got.insert(got.end(), codes.begin(), codes.end());
            at += piece;
        }
        QVERIFY(got == sent);
        QCOMPARE(parser.skippedBytes() + got.size() * CommandSize + parser.pendingBytes(),
                 stream.size());
    }

    void parserAccountsForEveryByte()
    {
        sim::Random random(7);
        sim::CommandParser parser;
        std::size_t total = 0, commands = 0;
        for (int i = 0; i < 2000; ++i) {
            std::uint8_t bytes[16];
            const std::size_t n = random.between(0, 16);
            // Mostly prefix bytes, so that partial and broken commands are common.
            for (std::size_t j = 0; j < n; ++j)
                bytes[j] = random.chance(0.6) ? std::uint8_t(0x64 + random.below(2))
                                              : std::uint8_t(random.below(256));
            commands += parser.feed(bytes, n).size();
            total += n;
            QVERIFY(parser.pendingBytes() < CommandSize);
        }
        QVERIFY(commands > 0);
        QCOMPARE(parser.skippedBytes() + commands * CommandSize + parser.pendingBytes(), total);
    }

    void unpacedReplyLeavesAtOnce()
    {
        sim::LineScheduler line(1);
        sim::LineSettings settings;
        settings.paced = false;
        const std::vector<std::uint8_t> reply(HandshakeReply.begin(), HandshakeReply.end());
        line.send(reply, 500, settings);
        QCOMPARE(line.nextDueNs(), std::optional<std::int64_t>(500));
        QVERIFY(line.takeDue(499).empty());
        QVERIFY(line.takeDue(500) == reply);
        QVERIFY(line.idle());
    }

    // The line's own time: the k-th byte of a run is in k × 10/4800 s after the run starts,
    // never early and less than a nanosecond late, however long the run.
    void byteTimesKeepTheLinesTime_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("k");
        QTest::addColumn<qint64>("done");
        QTest::newRow("no byte yet") << qint64(0) << qint64(0) << qint64(0);
        QTest::newRow("one byte, rounded up") << qint64(0) << qint64(1) << qint64(2'083'334);
        QTest::newRow("two bytes") << qint64(0) << qint64(2) << qint64(4'166'667);
        QTest::newRow("three bytes, exact") << qint64(0) << qint64(3) << qint64(6'250'000);
        QTest::newRow("an exchange, 4 out and 11 back")
            << qint64(0) << qint64(15) << qint64(31'250'000);
        QTest::newRow("a reply from a later start")
            << qint64(123'456) << qint64(11) << qint64(123'456 + 22'916'667);
        QTest::newRow("ten seconds of bytes")
            << qint64(5) << qint64(4800) << qint64(5 + 10'000'000'000);
        QTest::newRow("a day of bytes")
            << qint64(0) << qint64(4800) * 8640 << qint64(86'400'000'000'000);
    }

    void byteTimesKeepTheLinesTime()
    {
        QFETCH(qint64, start);
        QFETCH(qint64, k);
        QFETCH(qint64, done);
        QCOMPARE(sim::byteDoneNs(start, k), done);
    }

    void lineClockRunsBackToBackAndRestartsWhenIdle()
    {
        sim::LineClock line;
        // A doubled command written at once: its eighth byte is in after eight byte times.
        std::int64_t arrived = 0;
        for (int i = 0; i < 8; ++i)
            arrived = line.cross(1000);
        QCOMPARE(arrived, sim::byteDoneNs(1000, 8));
        // Written while earlier bytes are still crossing: it waits for them.
        QCOMPARE(line.cross(2000), sim::byteDoneNs(1000, 9));
        // Ready the moment the line frees: the same run goes on.
        QCOMPARE(line.cross(sim::byteDoneNs(1000, 9)), sim::byteDoneNs(1000, 10));
        // Written on an idle line: a new run, one byte time after it was written.
        QCOMPARE(line.cross(100'000'000), sim::byteDoneNs(100'000'000, 1));
        // A minute of bytes back to back ends exactly a minute on.
        for (int i = 1; i < 4800 * 6 - 1; ++i)
            line.cross(100'000'000);
        QCOMPARE(line.cross(100'000'000), 100'000'000 + 60'000'000'000);
    }

    void pacedRepliesTakeTheLinesTimeBackToBack()
    {
        sim::LineScheduler line(1);
        const sim::LineSettings paced;
        const std::vector<std::uint8_t> reply(HandshakeReply.begin(), HandshakeReply.end());
        line.send(reply, 0, paced);
        line.send(reply, 0, paced); // queued behind the first
        QCOMPARE(line.nextDueNs(), std::optional<std::int64_t>(sim::byteDoneNs(0, 1)));
        QCOMPARE(line.takeDue(sim::byteDoneNs(0, 5)).size(), std::size_t(5));
        QCOMPARE(line.takeDue(sim::byteDoneNs(0, 11) - 1).size(), std::size_t(5));
        QCOMPARE(line.takeDue(sim::byteDoneNs(0, 11)).size(), std::size_t(1));
        QCOMPARE(line.nextDueNs(), std::optional<std::int64_t>(sim::byteDoneNs(0, 12)));
        QCOMPARE(line.takeDue(sim::byteDoneNs(0, 22)).size(), std::size_t(11));
        QVERIFY(line.idle());

        // A reply ready after the line went quiet starts then, not when the last one ended.
        const std::int64_t later = 50'000'000;
        line.send(reply, later, paced);
        QCOMPARE(line.nextDueNs(), std::optional<std::int64_t>(sim::byteDoneNs(later, 1)));
        // A thousand replies queued at once end exactly on the line's time.
        for (int i = 1; i < 1000; ++i)
            line.send(reply, later, paced);
        QVERIFY(line.takeDue(sim::byteDoneNs(later, 11'000) - 1).size() == 11'000 - 1);
        QCOMPARE(line.nextDueNs(), std::optional<std::int64_t>(sim::byteDoneNs(later, 11'000)));
    }

    void chunkedReplyComesInSmallPiecesWithGaps()
    {
        sim::LineScheduler line(3);
        sim::LineSettings settings;
        settings.paced = false;
        settings.maxChunk = 3;
        const InstrumentFrame frame = knownframes::ReadingOhms;
        const std::vector<std::uint8_t> reply(frame.begin(), frame.end());
        line.send(reply, 0, settings);

        std::vector<std::uint8_t> all;
        int pieces = 0;
        std::int64_t lastDue = -1;
        while (const auto due = line.nextDueNs()) {
            QVERIFY(*due > lastDue);
            lastDue = *due;
            const auto piece = line.takeDue(*due);
            QVERIFY(!piece.empty() && piece.size() <= 3);
            all.insert(all.end(), piece.begin(), piece.end());
            ++pieces;
        }
        QVERIFY(pieces >= 4);
        QVERIFY(all == reply);
    }

    void faultsChangeWhatIsSent_data()
    {
        QTest::addColumn<int>("noise");
        QTest::addColumn<double>("drop");
        QTest::addColumn<double>("corrupt");
        QTest::newRow("noise before the reply") << 5 << 0.0 << 0.0;
        QTest::newRow("every byte dropped") << 0 << 1.0 << 0.0;
        QTest::newRow("every byte corrupted") << 0 << 0.0 << 1.0;
    }

    void faultsChangeWhatIsSent()
    {
        QFETCH(int, noise);
        QFETCH(double, drop);
        QFETCH(double, corrupt);
        sim::LineScheduler line(11);
        sim::LineSettings settings;
        settings.paced = false;
        settings.noiseBytes = noise;
        settings.dropProbability = drop;
        settings.corruptProbability = corrupt;
        const InstrumentFrame frame = knownframes::ReadingOhms;
        const std::vector<std::uint8_t> reply(frame.begin(), frame.end());
        line.send(reply, 0, settings);
        const auto sent = line.takeDue(1'000'000);

        if (drop == 1.0) {
            QVERIFY(sent.empty());
            return;
        }
        QCOMPARE(sent.size(), reply.size() + std::size_t(noise));
        if (corrupt == 1.0) {
            for (std::size_t i = 0; i < reply.size(); ++i)
                QVERIFY(sent[i] != reply[i]);
        } else {
            QVERIFY(std::equal(reply.begin(), reply.end(), sent.end() - std::ptrdiff_t(11)));
        }
    }

    // Damage that tests rely on being caught: one byte per damaged reply, never two that
    // could cancel out in the checksum, and never in the noise before the reply.
    void damagedReplyDiffersInOneByteAndFailsItsCheck()
    {
        sim::LineScheduler line(5);
        sim::LineSettings settings;
        settings.paced = false;
        settings.noiseBytes = 2;
        settings.damageReplyProbability = 0.5;
        const InstrumentFrame frame = knownframes::ReadingOhms;
        const std::vector<std::uint8_t> reply(frame.begin(), frame.end());
        int damaged = 0;
        for (int i = 0; i < 2000; ++i) {
            line.send(reply, 0, settings);
            const auto sent = line.takeDue(1'000'000);
            QCOMPARE(sent.size(), reply.size() + 2);
            int differing = 0;
            for (std::size_t b = 0; b < reply.size(); ++b)
                differing += sent[b + 2] != reply[b];
            QVERIFY(differing <= 1);
            QCOMPARE(protocol::checkFrame(sent.data() + 2), differing == 0);
            damaged += differing;
        }
        QVERIFY2(damaged > 800 && damaged < 1200, qPrintable(QString::number(damaged)));
    }
};

QTEST_GUILESS_MAIN(TestSimModel)
#include "test_simmodel.moc"
