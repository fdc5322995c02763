// The link supervisor, frame reception, record download, re-requests, progress, periodic
// requests, the automatic test and the start-up reset, driven step by step on the state.
#include "linkfixture.h"
#include "linksupervisor.h"
#include "meteroperations.h"
#include "readingformat.h"
#include "recordacquisition.h"

#include "knownframes.h"

#include <QTest>

using namespace legacy;

Q_DECLARE_METATYPE(legacy::LiveChoice)

namespace
{

// Plays the form's part after a step: a send empties the mailbox and remembers the code.
struct Sender {
    QList<qint32> sent;
    void send(LegacyState &state)
    {
        sent.append(state.pendingCommand);
        state.pendingCommand = NoCommand;
    }
};

// Runs a download from the click on "读    取" until `stopAfter` records arrived (or the
// end), answering each request with its record. False when the click sent no request or a
// record was refused; the caller's QVERIFY fails the test then.
[[nodiscard]] bool download(LegacyState &state, Sender &sender, int stopAfter)
{
    const ReadClick click = clickRead(state, ReadCaption);
    if (!click.send)
        return false;
    sender.send(state);
    for (int stored = 0; stored < stopAfter && state.downloading == 1; ++stored) {
        const FrameOutcome outcome =
            receiveFrame(state, recordFrame(quint16(sender.sent.last())), LiveChoice::Maximum);
        if (!outcome.accepted)
            return false;
        if (outcome.requestNext)
            sender.send(state);
    }
    return true;
}

QList<qint32> range(int first, int last)
{
    QList<qint32> list;
    for (int i = first; i <= last; ++i)
        list.append(i);
    return list;
}

} // namespace

class TestLegacyAcquisition : public QObject
{
    Q_OBJECT

private slots:
    void badChecksumChangesNothing();
    void frameCounterWraps();
    void liveReadings_data();
    void liveReadings();
    void historyPushesOnlyRepeats();
    void historyShiftsThreeHundredEntries();
    void countFramesAlwaysTaken();
    void downloadsFiftyRecords();
    void pauseAndContinue();
    void foreignRecordFramesIgnored();
    void recordsAboveTableCountedNotStored_data();
    void recordsAboveTableCountedNotStored();
    void readClickRefusals_data();
    void readClickRefusals();
    void rerequestsAndReopens();
    void deadLinePausesTheDownload_data();
    void deadLinePausesTheDownload();
    void progress_data();
    void progress();
    void periodicRequests_data();
    void periodicRequests();
    void supervisorStepsSilentPorts();
    void supervisorConnectsOnAnyFrame();
    void supervisorSkipsInvalidPorts();
    void supervisorDuringDownload();
    void commandBytes();
    void portNumbersWrap();
    void automaticTestTick();
    void intervals_data();
    void intervals();
    void startUpKeepsRecordsOnlyAfterConfirmedPrint_data();
    void startUpKeepsRecordsOnlyAfterConfirmedPrint();
    void clearingEmptiesTheWholeStore();
    void toggles();
};

void TestLegacyAcquisition::badChecksumChangesNothing()
{
    auto state = connectedState();
    state->downloading = 1;
    state->nextRec = 3;
    state->meterRecCount = 5;
    for (QByteArray bytes : {countFrame(9), recordFrame(3), readingFrame(0x12, 1, 2, 3)}) {
        bytes[10] = char(bytes[10] + 1);
        const FrameOutcome outcome = receiveFrame(*state, bytes, LiveChoice::Maximum);
        QVERIFY(!outcome.accepted);
    }
    QCOMPARE(state->frameSeen, 0);
    QCOMPARE(state->frameCounter, 0);
    QCOMPARE(state->meterRecCount, 5);
    QCOMPARE(state->nextRec, 3);
    QCOMPARE(state->recNo[3], 0);
    QCOMPARE(state->fmtType, 0);
    // A short read is no frame either.
    QVERIFY(!receiveFrame(*state, countFrame(9).left(10), LiveChoice::Maximum).accepted);
}

void TestLegacyAcquisition::frameCounterWraps()
{
    auto state = connectedState();
    state->frameCounter = 499;
    receiveFrame(*state, bytesOf(knownframes::Handshake), LiveChoice::Maximum);
    QCOMPARE(state->frameCounter, 500);
    QCOMPARE(state->frameSeen, 1);
    receiveFrame(*state, bytesOf(knownframes::Handshake), LiveChoice::Maximum);
    QCOMPARE(state->frameCounter, 0);
    QCOMPARE(state->fmtType, 0xAA);
}

void TestLegacyAcquisition::liveReadings_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<LiveChoice>("choice");
    QTest::addColumn<bool>("downloading");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("display"); // after formatting

    const QByteArray ohms = bytesOf(knownframes::ReadingOhms);
    QTest::newRow("maximum") << ohms << LiveChoice::Maximum << false << true << "13.00Ω";
    QTest::newRow("minimum") << ohms << LiveChoice::Minimum << false << true << "12.00Ω";
    QTest::newRow("average") << ohms << LiveChoice::Average << false << true << "12.34Ω";
    QTest::newRow("over range") << bytesOf(knownframes::ReadingOverRange) << LiveChoice::Average
                                << false << true << "  OL  Ω";
    QTest::newRow("voltage shows A")
        << readingFrame(0x21, 230, 1, 2) << LiveChoice::Maximum << false << true << "230v";
    QTest::newRow("current shows A")
        << readingFrame(0x31, 123, 1, 2) << LiveChoice::Minimum << false << true << "123mA";
    QTest::newRow("kind 4 not shown")
        << readingFrame(0x41, 5, 5, 5) << LiveChoice::Maximum << false << false << "";
    QTest::newRow("marker C500 no reading") << frameBytes(0x12, 1234, 1300, 1200, 0xC500)
                                            << LiveChoice::Maximum << false << false << "";
    QTest::newRow("ignored while downloading")
        << ohms << LiveChoice::Maximum << true << false << "";
}

void TestLegacyAcquisition::liveReadings()
{
    QFETCH(QByteArray, frame);
    QFETCH(LiveChoice, choice);
    QFETCH(bool, downloading);
    QFETCH(bool, shown);
    QFETCH(QString, display);
    auto state = connectedState();
    state->downloading = downloading;
    state->nextRec = 99;
    const FrameOutcome outcome = receiveFrame(*state, frame, choice);
    QVERIFY(outcome.accepted);
    QCOMPARE(outcome.showReading, shown);
    QCOMPARE(state->fmtType, quint8(frame[0]));
    if (shown)
        QCOMPARE(formatReading(state->fmtType, state->fmtText).text, display);
}

void TestLegacyAcquisition::historyPushesOnlyRepeats()
{
    auto state = connectedState();
    const auto pushes = [&] {
        int n = 0;
        while (n <= HistorySize && state->histMax[n] != 0)
            ++n;
        return n;
    };
    const QByteArray ohms = bytesOf(knownframes::ReadingOhms);
    receiveFrame(*state, ohms, LiveChoice::Maximum);
    QCOMPARE(pushes(), 0);
    receiveFrame(*state, ohms, LiveChoice::Maximum);
    QCOMPARE(pushes(), 1);
    receiveFrame(*state, ohms, LiveChoice::Maximum);
    QCOMPARE(pushes(), 2);
    QCOMPARE(state->histAvg[0], 1234);
    QCOMPARE(state->histMax[0], 1300);
    QCOMPARE(state->histMin[0], 1200);
    QCOMPARE(state->histDec[0], 2);

    // A change does not push; its repetition does. Voltage readings never touch the history.
    receiveFrame(*state, readingFrame(0x11, 50, 60, 40), LiveChoice::Maximum);
    receiveFrame(*state, readingFrame(0x21, 50, 60, 40), LiveChoice::Maximum);
    QCOMPARE(pushes(), 2);
    receiveFrame(*state, readingFrame(0x11, 50, 60, 40), LiveChoice::Maximum);
    QCOMPARE(pushes(), 3);
    QCOMPARE(state->histMax[0], 60);
    QCOMPARE(state->histDec[0], 1);

    // After a test command the first reading starts a fresh comparison.
    autoTestTick(*state);
    receiveFrame(*state, readingFrame(0x11, 50, 60, 40), LiveChoice::Maximum);
    QCOMPARE(pushes(), 3);
}

void TestLegacyAcquisition::historyShiftsThreeHundredEntries()
{
    auto state = connectedState();
    state->histAvg[299] = 7;
    state->histAvg[300] = 8;
    state->histAvg[301] = 9;
    pushHistory(*state, 1, 2, 3, 1);
    QCOMPARE(state->histAvg[0], 1);
    QCOMPARE(state->histAvg[300], 7);
    QCOMPARE(state->histAvg[301], 9);
}

void TestLegacyAcquisition::countFramesAlwaysTaken()
{
    auto state = connectedState();
    receiveFrame(*state, bytesOf(knownframes::CountFive), LiveChoice::Maximum);
    QCOMPARE(state->meterRecCount, 5);
    QCOMPARE(state->recTotal, 5);
    state->downloading = 1;
    receiveFrame(*state, countFrame(7), LiveChoice::Maximum);
    QCOMPARE(state->meterRecCount, 7);
    QCOMPARE(state->recTotal, 7);
}

void TestLegacyAcquisition::downloadsFiftyRecords()
{
    auto state = connectedState();
    receiveFrame(*state, countFrame(50), LiveChoice::Maximum);
    const ReadClick click = clickRead(*state, ReadCaption);
    QCOMPARE(click.caption, PauseCaption);
    QVERIFY(click.showBoxes);
    QVERIFY(click.blankBoxes);
    QCOMPARE(click.message, ReadMessage::None);
    QCOMPARE(state->downloading, 1);

    Sender sender;
    sender.send(*state);
    QList<qint32> pagesShownAt;
    while (state->downloading == 1) {
        const qint32 asked = sender.sent.last();
        const FrameOutcome outcome =
            receiveFrame(*state, recordFrame(quint16(asked)), LiveChoice::Maximum);
        if (outcome.showPage)
            pagesShownAt.append(asked);
        QCOMPARE(outcome.downloadComplete, asked == 50);
        QCOMPARE(outcome.requestNext, asked < 50);
        if (outcome.requestNext)
            sender.send(*state);
        QVERIFY(sender.sent.size() <= 50);
    }
    QCOMPARE(sender.sent, range(1, 50));
    QCOMPARE(pagesShownAt, range(14, 46) << 50);
    QCOMPARE(state->form2zushu, 50);
    QCOMPARE(state->pageCount, 2);
    QCOMPARE(state->curPage, 1);
    QCOMPARE(state->resumeRec, 1);
    QCOMPARE(state->progressPct, 0);
    for (int n = 1; n <= 50; ++n) {
        QCOMPARE(state->recNo[n], n);
        QCOMPARE(state->recAvg[n], 1000 + n);
        QCOMPARE(state->recMax[n], 2000 + n);
        QCOMPARE(state->recMin[n], n);
        QCOMPARE(state->recType[n], 0x12);
    }
    QCOMPARE(state->recNo[51], 0);
}

void TestLegacyAcquisition::pauseAndContinue()
{
    auto state = connectedState();
    receiveFrame(*state, countFrame(50), LiveChoice::Maximum);
    Sender sender;
    QVERIFY(download(*state, sender, 20));
    QCOMPARE(state->nextRec, 21);

    // The operator's captions, blanks included: the button keeps its state only in them.
    const ReadClick pause = clickRead(*state, QStringLiteral("暂    停"));
    QCOMPARE(pause.caption, QStringLiteral("继    续"));
    QVERIFY(!pause.send);
    QCOMPARE(state->downloading, 0);
    QCOMPARE(state->resumeRec, 21);

    // Paused: the answer to the last request is ignored.
    receiveFrame(*state, recordFrame(21), LiveChoice::Maximum);
    QCOMPARE(state->recNo[21], 0);
    QCOMPARE(state->nextRec, 21);

    const ReadClick resume = clickRead(*state, QStringLiteral("继    续"));
    QCOMPARE(resume.caption, QStringLiteral("暂    停"));
    QVERIFY(resume.send);
    QVERIFY(resume.blankBoxes);
    QVERIFY(!resume.showBoxes);
    QCOMPARE(state->pendingCommand, 21);
    QCOMPARE(state->pageCount, 0);
    QCOMPARE(state->downloading, 1);
}

void TestLegacyAcquisition::foreignRecordFramesIgnored()
{
    auto state = connectedState();
    receiveFrame(*state, countFrame(10), LiveChoice::Maximum);
    Sender sender;
    QVERIFY(download(*state, sender, 2));
    QCOMPARE(state->nextRec, 3);
    receiveFrame(*state, recordFrame(2), LiveChoice::Maximum);
    receiveFrame(*state, recordFrame(4), LiveChoice::Maximum);
    QCOMPARE(state->nextRec, 3);
    QCOMPARE(state->recNo[4], 0);
    QCOMPARE(sender.sent, range(1, 3));
}

void TestLegacyAcquisition::recordsAboveTableCountedNotStored_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("notice");
    QTest::newRow("instrument holds exactly what the store keeps") << 10000 << false;
    QTest::newRow("two records more than the store keeps") << 10002 << true;
}

void TestLegacyAcquisition::recordsAboveTableCountedNotStored()
{
    QFETCH(int, count);
    QFETCH(bool, notice);
    auto state = connectedState();
    state->meterRecCount = count;
    state->downloading = 1;
    state->nextRec = 9999;
    FrameOutcome outcome;
    for (int n = 9999; n <= count; ++n) {
        QVERIFY(!outcome.beyondStore);
        outcome = receiveFrame(*state, recordFrame(quint16(n)), LiveChoice::Maximum);
        QCOMPARE(outcome.requestNext, n < count);
        state->pendingCommand = NoCommand;
        if (n == 10001) {
            // Counted and asked for, not stored.
            QCOMPARE(state->form2zushu, 10001);
            QCOMPARE(state->pageCount, 209);
        }
    }
    QCOMPARE(state->recNo[10000], 10000);
    QVERIFY(outcome.downloadComplete);
    // Said once, at the end of the download.
    QCOMPARE(outcome.beyondStore, notice);
}

void TestLegacyAcquisition::readClickRefusals_data()
{
    QTest::addColumn<int>("linkUp");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<ReadMessage>("message");
    QTest::addColumn<QString>("captionAfter");
    QTest::addColumn<bool>("showBoxes");

    QTest::newRow("no link") << 0 << 5 << ReadCaption << ReadMessage::NotConnected << ReadCaption
                             << false;
    QTest::newRow("no link while paused")
        << 0 << 5 << ContinueCaption << ReadMessage::NotConnected << ReadCaption << false;
    QTest::newRow("no count yet") << 1 << 0 << ReadCaption << ReadMessage::NoRecords << ReadCaption
                                  << true;
    QTest::newRow("count 65535") << 1 << 65535 << ReadCaption << ReadMessage::NoRecords
                                 << ReadCaption << true;
    QTest::newRow("count gone while paused")
        << 1 << 0 << ContinueCaption << ReadMessage::NoRecords << ContinueCaption << false;
}

void TestLegacyAcquisition::readClickRefusals()
{
    QFETCH(int, linkUp);
    QFETCH(int, count);
    QFETCH(QString, caption);
    QFETCH(ReadMessage, message);
    QFETCH(QString, captionAfter);
    QFETCH(bool, showBoxes);
    auto state = connectedState();
    state->linkUp = quint8(linkUp);
    state->meterRecCount = count;
    state->curPage = 3;
    const ReadClick click = clickRead(*state, caption);
    QCOMPARE(click.message, message);
    QCOMPARE(click.caption, captionAfter);
    QCOMPARE(click.showBoxes, showBoxes);
    QVERIFY(!click.send);
    QCOMPARE(state->downloading, 0);
    QCOMPARE(state->pendingCommand, NoCommand);
    QCOMPARE(state->curPage, 1);
}

void TestLegacyAcquisition::rerequestsAndReopens()
{
    auto state = connectedState();
    receiveFrame(*state, countFrame(50), LiveChoice::Maximum);
    Sender sender;
    QVERIFY(download(*state, sender, 4));
    QCOMPARE(state->nextRec, 5);
    sender.sent.clear();

    // The first tick after a request only notes it; then every tick repeats it, and every
    // seventh repetition reopens the port.
    QList<int> reopenedAt;
    for (int tick = 1; tick <= 15; ++tick) {
        const RerequestStep step = rerequestTick(*state);
        if (step.send)
            sender.send(*state);
        if (step.reopen)
            reopenedAt.append(tick);
    }
    QCOMPARE(sender.sent, QList<qint32>(14, 5));
    QCOMPARE(reopenedAt, (QList<int>{8, 15}));

    // An answer resets the count; the new request is noted on the next tick.
    receiveFrame(*state, recordFrame(5), LiveChoice::Maximum);
    sender.send(*state);
    QCOMPARE(state->resendCount, 0);
    QVERIFY(!rerequestTick(*state).send);
    QVERIFY(rerequestTick(*state).send);

    // Not downloading: only the frame-counter snapshot.
    state->downloading = 0;
    state->frameCounter = 42;
    const RerequestStep idle = rerequestTick(*state);
    QVERIFY(!idle.send && !idle.reopen);
    QCOMPARE(state->frameCounterSeen, 42);
}

void TestLegacyAcquisition::deadLinePausesTheDownload_data()
{
    QTest::addColumn<int>("countEvery"); // ticks between count frames; 0: nothing arrives
    QTest::addColumn<int>("pausedAt");   // tick of the pause; 0: none
    QTest::newRow("nothing arrives") << 0 << 31;
    QTest::newRow("counts arrive, records do not") << 25 << 0;
}

void TestLegacyAcquisition::deadLinePausesTheDownload()
{
    QFETCH(int, countEvery);
    QFETCH(int, pausedAt);
    auto state = connectedState();
    receiveFrame(*state, countFrame(50), LiveChoice::Maximum);
    Sender sender;
    QVERIFY(download(*state, sender, 4));
    QCOMPARE(state->frameSeen, 1);

    int paused = 0;
    for (int tick = 1; tick <= 100 && paused == 0; ++tick) {
        if (countEvery > 0 && tick % countEvery == 0)
            receiveFrame(*state, countFrame(50), LiveChoice::Maximum);
        const RerequestStep step = rerequestTick(*state);
        if (step.send)
            sender.send(*state);
        if (step.deadLine) {
            paused = tick;
            QVERIFY(!step.send && !step.reopen);
        }
    }
    QCOMPARE(paused, pausedAt);
    if (pausedAt == 0) {
        QCOMPARE(state->downloading, 1);
        return;
    }
    // As the pause button leaves it, with the stale frame forgotten for the link supervisor.
    QCOMPARE(state->downloading, 0);
    QCOMPARE(state->resumeRec, 5);
    QCOMPARE(state->frameSeen, 0);
    QVERIFY(!rerequestTick(*state).deadLine);
    const ReadClick resume = clickRead(*state, ContinueCaption);
    QVERIFY(resume.send);
    QCOMPARE(state->pendingCommand, 5);
}

void TestLegacyAcquisition::progress_data()
{
    QTest::addColumn<int>("downloading");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("nextRec");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<int>("value");

    QTest::newRow("start") << 1 << 50 << 1 << true << 2;
    QTest::newRow("half rounds to even down") << 1 << 200 << 1 << true << 0;
    QTest::newRow("half rounds to even up") << 1 << 200 << 3 << true << 2;
    QTest::newRow("nearly done") << 1 << 50 << 49 << true << 98;
    QTest::newRow("last record") << 1 << 50 << 50 << false << 0;
    QTest::newRow("past count") << 1 << 50 << 51 << false << 0;
    QTest::newRow("count gone") << 1 << 0 << 5 << false << 0;
    QTest::newRow("idle") << 0 << 50 << 10 << false << 0;
}

void TestLegacyAcquisition::progress()
{
    QFETCH(int, downloading);
    QFETCH(int, count);
    QFETCH(int, nextRec);
    QFETCH(bool, visible);
    QFETCH(int, value);
    auto state = connectedState();
    state->downloading = quint8(downloading);
    state->meterRecCount = count;
    state->nextRec = nextRec;
    const ProgressView view = progressTick(*state);
    QCOMPARE(view.visible, visible);
    QCOMPARE(view.value, value);
}

void TestLegacyAcquisition::periodicRequests_data()
{
    QTest::addColumn<int>("linkUp");
    QTest::addColumn<int>("downloading");
    QTest::addColumn<int>("pending");
    QTest::addColumn<bool>("reading");
    QTest::addColumn<bool>("count");

    QTest::newRow("idle") << 1 << 0 << int(NoCommand) << true << true;
    QTest::newRow("downloading") << 1 << 1 << int(NoCommand) << false << true;
    QTest::newRow("no link") << 0 << 0 << int(NoCommand) << false << false;
    QTest::newRow("mailbox busy") << 1 << 0 << 64411 << false << false;
}

void TestLegacyAcquisition::periodicRequests()
{
    QFETCH(int, linkUp);
    QFETCH(int, downloading);
    QFETCH(int, pending);
    QFETCH(bool, reading);
    QFETCH(bool, count);
    auto state = connectedState();
    state->linkUp = quint8(linkUp);
    state->downloading = quint8(downloading);
    state->pendingCommand = pending;
    QCOMPARE(takeReadingRequest(*state), reading);
    QCOMPARE(state->pendingCommand, reading ? 60000 : pending);
    state->pendingCommand = pending;
    QCOMPARE(takeCountRequest(*state), count);
    QCOMPARE(state->pendingCommand, count ? 63333 : pending);
}

void TestLegacyAcquisition::supervisorStepsSilentPorts()
{
    auto state = connectedState();
    state->linkUp = 0;
    // A silent port is probed on every tick and left on the seventh, which probes the next
    // port at once.
    for (int tick = 1; tick <= 7; ++tick) {
        const SupervisorStep step = superviseLink(*state);
        QCOMPARE(step.stepPort, tick == 7);
        QVERIFY(step.sendProbe);
        QCOMPARE(state->pendingCommand, qint32(protocol::Command::Probe));
        state->pendingCommand = NoCommand;
    }
    QCOMPARE(state->missTicks, 0);

    // Nothing pending is overwritten.
    state->pendingCommand = 60000;
    QVERIFY(!superviseLink(*state).sendProbe);
    QCOMPARE(state->pendingCommand, 60000);
}

void TestLegacyAcquisition::supervisorConnectsOnAnyFrame()
{
    auto state = connectedState();
    state->linkUp = 0;
    superviseLink(*state);
    state->pendingCommand = NoCommand;
    receiveFrame(*state, countFrame(3), LiveChoice::Maximum);
    const SupervisorStep step = superviseLink(*state);
    QCOMPARE(state->linkUp, 1);
    QVERIFY(!step.sendProbe && !step.stepPort);
    QCOMPARE(state->frameSeen, 0);

    // Connected and then silent: six ticks keep the link, the seventh drops it and moves on.
    for (int tick = 1; tick <= 6; ++tick) {
        QVERIFY(!superviseLink(*state).stepPort);
        QCOMPARE(state->linkUp, 1);
    }
    const SupervisorStep lost = superviseLink(*state);
    QVERIFY(lost.stepPort);
    QVERIFY(lost.sendProbe);
    QCOMPARE(state->linkUp, 0);
}

void TestLegacyAcquisition::supervisorSkipsInvalidPorts()
{
    auto state = connectedState();
    state->linkUp = 0;
    state->portState = 0;
    state->missTicks = 3;
    const SupervisorStep step = superviseLink(*state);
    QVERIFY(step.stepPort);
    QVERIFY(!step.sendProbe);
    QCOMPARE(state->pendingCommand, NoCommand);
    QCOMPARE(state->missTicks, 3);
}

void TestLegacyAcquisition::supervisorDuringDownload()
{
    auto state = connectedState();
    state->frameSeen = 1;
    state->downloading = 1;
    // The seen frame is not cleared, so the link stays up however long the silence.
    for (int tick = 0; tick < 20; ++tick) {
        const SupervisorStep step = superviseLink(*state);
        QVERIFY(!step.stepPort && !step.sendProbe);
    }
    QCOMPARE(state->linkUp, 1);
    QCOMPARE(state->frameSeen, 1);
}

void TestLegacyAcquisition::commandBytes()
{
    QCOMPARE(doubledCommand(64422), QByteArray::fromHex("6465FBA66465FBA6"));
    QCOMPARE(doubledCommand(300), QByteArray::fromHex("6465012C6465012C"));
    QCOMPARE(doubledCommand(61111), QByteArray::fromHex("6465EEB76465EEB7"));
    QVERIFY(doubledCommand(NoCommand).isEmpty());
    QVERIFY(doubledCommand(-1).isEmpty());
}

void TestLegacyAcquisition::portNumbersWrap()
{
    QCOMPARE(nextPortNo(1), 2);
    QCOMPARE(nextPortNo(6), 7);
    QCOMPARE(nextPortNo(15), 16);
    QCOMPARE(nextPortNo(16), 1);
}

void TestLegacyAcquisition::automaticTestTick()
{
    auto state = connectedState();
    state->lastAvg = state->lastMax = state->lastMin = 5;
    state->frameCounter = 10;
    state->frameCounterSeen = 9;
    AutoTestStep step = autoTestTick(*state);
    QVERIFY(step.sendTest);
    QVERIFY(!step.reopen);
    QCOMPARE(state->pendingCommand, 61111);
    QCOMPARE(state->lastAvg + state->lastMax + state->lastMin, 0);
    QCOMPARE(state->frameCounterSeen, 10);

    // No frame since the snapshot: reopen; busy or downloading: no test.
    state->pendingCommand = NoCommand;
    state->downloading = 1;
    step = autoTestTick(*state);
    QVERIFY(!step.sendTest);
    QVERIFY(step.reopen);
    state->downloading = 0;
    state->linkUp = 0;
    QVERIFY(!autoTestTick(*state).sendTest);
}

void TestLegacyAcquisition::intervals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("factor");
    QTest::addColumn<std::optional<double>>("interval");
    QTest::newRow("seconds") << "10" << 1000.0 << std::optional<double>(10000);
    QTest::newRow("fraction ties to even") << "0.0025" << 1000.0 << std::optional<double>(2);
    QTest::newRow("milliseconds on edit") << "5" << 1.0 << std::optional<double>(5);
    QTest::newRow("edit tie") << "2.5" << 1.0 << std::optional<double>(2);
    QTest::newRow("not a number") << "abc" << 1000.0 << std::optional<double>();
    QTest::newRow("empty") << "" << 1.0 << std::optional<double>();
}

void TestLegacyAcquisition::intervals()
{
    QFETCH(QString, text);
    QFETCH(double, factor);
    QFETCH(std::optional<double>, interval);
    QCOMPARE(intervalFromText(text, factor), interval);
}

void TestLegacyAcquisition::startUpKeepsRecordsOnlyAfterConfirmedPrint_data()
{
    QTest::addColumn<int>("biaozi");
    QTest::addColumn<bool>("reloadByPrinting");
    QTest::addColumn<bool>("kept");
    QTest::newRow("first start") << 0 << false << false;
    QTest::newRow("print confirmed") << 10 << true << true;
    QTest::newRow("print cancelled") << 30 << true << true;
    QTest::newRow("next start after a cancel") << 30 << false << false;
}

void TestLegacyAcquisition::startUpKeepsRecordsOnlyAfterConfirmedPrint()
{
    QFETCH(int, biaozi);
    QFETCH(bool, reloadByPrinting);
    QFETCH(bool, kept);
    auto state = std::make_unique<LegacyState>();
    for (int n : {0, 1, 7000, 7001, 10000}) {
        state->recNo[n] = n;
        state->recAvg[n] = state->recMax[n] = state->recMin[n] = 5;
        state->recType[n] = 0x12;
    }
    state->biaozi = qint16(biaozi);
    state->reloadByPrinting = reloadByPrinting;
    state->downloading = 1;
    state->nextRec = 30;
    state->meterRecCount = 50;
    state->recTotal = 50;
    state->pageCount = 2;
    state->linkUp = 1;
    resetOnLoad(*state);
    for (int n : {0, 1, 7000, 7001, 10000}) {
        QCOMPARE(state->recNo[n], kept ? n : 0);
        QCOMPARE(state->recAvg[n] + state->recMax[n] + state->recMin[n], kept ? 15 : 0);
        QCOMPARE(state->recType[n], kept ? 0x12 : 0);
    }
    QVERIFY(!state->reloadByPrinting);
    QCOMPARE(state->downloading, 0);
    QCOMPARE(state->nextRec, 1);
    QCOMPARE(state->resumeRec, 1);
    QCOMPARE(state->meterRecCount, 0);
    QCOMPARE(state->recTotal, 50);
    QCOMPARE(state->pageCount, 0);
    QCOMPARE(state->curPage, 1);
    QCOMPARE(state->portNo, 6);
    QCOMPARE(state->pendingCommand, NoCommand);
    QCOMPARE(state->progressPct, 100);
    QCOMPARE(state->marqueeDir, 1);
    QCOMPARE(state->linkUp, 1);
}

void TestLegacyAcquisition::clearingEmptiesTheWholeStore()
{
    auto state = connectedState();
    for (int n = 0; n <= MaxRecords; ++n) {
        state->recNo[n] = n;
        state->recAvg[n] = state->recMax[n] = state->recMin[n] = 4;
        state->recType[n] = 0x11;
    }
    state->pageCount = 3;
    clearDownloadedRecords(*state);
    const LegacyState empty;
    QVERIFY(state->recNo == empty.recNo);
    QVERIFY(state->recAvg == empty.recAvg);
    QVERIFY(state->recMax == empty.recMax);
    QVERIFY(state->recMin == empty.recMin);
    QVERIFY(state->recType == empty.recType);
    QCOMPARE(state->pageCount, 0);
}

void TestLegacyAcquisition::toggles()
{
    const Toggle on =
        toggle(BacklightOnCaption, BacklightOnCaption, 64411, BacklightOffCaption, 64400);
    QCOMPARE(on.caption, BacklightOffCaption);
    QCOMPARE(on.code, 64411);
    const Toggle off = toggle(on.caption, BacklightOnCaption, 64411, BacklightOffCaption, 64400);
    QCOMPARE(off.caption, BacklightOnCaption);
    QCOMPARE(off.code, 64400);
    // Any caption but the offer switches off.
    QCOMPARE(toggle(QStringLiteral("x"), BuzzerOnCaption, 63311, BuzzerOffCaption, 63300).code,
             63300);
}

QTEST_APPLESS_MAIN(TestLegacyAcquisition)
#include "test_legacy_acquisition.moc"
