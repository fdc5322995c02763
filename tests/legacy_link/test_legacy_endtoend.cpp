// The legacy console against the simulated instrument on a pseudo-terminal, with its own
// timers running: it finds the instrument, shows live readings, keeps the chart history,
// downloads the stored records with pause and continue, and sends its commands.
#include "form1probe.h"
#include "ptyinstrument.h"
#include "ptyorskip.h"
#include "recordacquisition.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace legacy;

namespace
{

constexpr int Records = 50;
constexpr int Wait = 20000;

// Record requests in the order they arrived, each run of copies and repeats counted once.
QList<int> distinctRuns(const QList<int> &codes)
{
    QList<int> runs;
    for (int code : codes) {
        if (runs.isEmpty() || runs.last() != code)
            runs.append(code);
    }
    return runs;
}

QList<int> range(int first, int last)
{
    QList<int> list;
    for (int i = first; i <= last; ++i)
        list.append(i);
    return list;
}

} // namespace

class TestLegacyEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void findsTheInstrument();
    void liveReadingsFollowTheSelectedOption();
    void historyPushesRepeatedReadingsOnly();
    void downloadsExactlyTheStoredRecords();
    void pausesAndContinues();
    void testButtonEndsADownload();
    void backlightToggleSendsEachCommandTwice();
    void unpluggedInstrumentIsLost();

private:
    template <typename T = QWidget> T *control(const char *name)
    {
        return form->findChild<T *>(QLatin1String(name));
    }
    QString text(const char *name) { return control<QLabel>(name)->text(); }
    void clickAndWaitForDownload();
    void verifyRecords();

    std::unique_ptr<LegacyState> state;
    std::unique_ptr<PtyInstrument> sim;
    std::unique_ptr<Form1> form;
    QList<int> recordRequests;
};

void TestLegacyEndToEnd::initTestCase()
{
    SimOptions options;
    options.recordCount = Records;
    options.answerDoubledCommands = true;
    options.testTimeMs = 200;
    sim = std::make_unique<PtyInstrument>(options);
    OPEN_PTY_OR_SKIP(sim->open());
    connect(sim.get(), &PtyInstrument::commandReceived, this, [this](quint16 code) {
        if (code <= Records)
            recordRequests.append(code);
    });
    // COM1 is the instrument; no other number has a port behind it.
    const QString path = sim->slavePath();
    MSComm::setPortResolver([path](int n) { return n == 1 ? path : QString(); });
    state = std::make_unique<LegacyState>();
    form = std::make_unique<Form1>(*state);
    form->show();
}

void TestLegacyEndToEnd::cleanupTestCase()
{
    form.reset();
    sim.reset();
    MSComm::setPortResolver({});
}

void TestLegacyEndToEnd::findsTheInstrument()
{
    QVERIFY(QTest::qWaitFor([&] { return text("Label17") == QStringLiteral("连接成功"); }, Wait));
    QCOMPARE(text("Label15"), QStringLiteral("COM1"));
    QCOMPARE(text("Label16"), QStringLiteral("串口已打开"));
    QCOMPARE(text("Label18"), QString());
    QVERIFY(sim->receivedCommands().contains(protocol::Command::Probe));
}

void TestLegacyEndToEnd::liveReadingsFollowTheSelectedOption()
{
    // The instrument reads avg 12.34, max 13.00, min 12.00 ohms.
    QVERIFY(QTest::qWaitFor([&] { return text("Label1") == QStringLiteral("13.00Ω"); }, Wait));
    control<QRadioButton>("Option3")->click();
    QVERIFY(QTest::qWaitFor([&] { return text("Label1") == QStringLiteral("12.34Ω"); }, Wait));
    control<QRadioButton>("Option2")->click();
    QVERIFY(QTest::qWaitFor([&] { return text("Label1") == QStringLiteral("12.00Ω"); }, Wait));
    control<QRadioButton>("Option1")->click();
    QVERIFY(QTest::qWaitFor([&] { return text("Label1") == QStringLiteral("13.00Ω"); }, Wait));
}

void TestLegacyEndToEnd::historyPushesRepeatedReadingsOnly()
{
    QVERIFY(QTest::qWaitFor([&] { return state->histMax[0] == 1300; }, Wait));
    QCOMPARE(state->histAvg[0], 1234);
    QCOMPARE(state->histMin[0], 1200);
    QCOMPARE(state->histDec[0], 2);

    // Count every frame of a new reading the instrument sends: all but the first of them
    // push one entry.
    QByteArray sent;
    const QMetaObject::Connection tap = connect(sim.get(), &PtyInstrument::bytesSent, this,
                                                [&](const QByteArray &b) { sent += b; });
    sim->setReading(1, 1, 500, 600, 400);
    const protocol::InstrumentFrame changed = sim->readingFrame();
    const QByteArray pattern(reinterpret_cast<const char *>(changed.data()), 11);
    QVERIFY(QTest::qWaitFor([&] { return sent.count(pattern) >= 6; }, Wait));
    sim->setSilent(true);
    QTest::qWait(400); // what is on the line arrives; the link survives 2.1 s of silence
    const qsizetype frames = sent.count(pattern);
    sim->setSilent(false);
    disconnect(tap);

    int pushed = 0;
    while (state->histMax[pushed] == 600) {
        QCOMPARE(state->histAvg[pushed], 500);
        QCOMPARE(state->histMin[pushed], 400);
        QCOMPARE(state->histDec[pushed], 1);
        ++pushed;
    }
    QCOMPARE(pushed, frames - 1);
    QCOMPARE(state->histMax[pushed], 1300);
    QCOMPARE(text("Label1"), QStringLiteral("60.0Ω"));
}

void TestLegacyEndToEnd::clickAndWaitForDownload()
{
    auto *read = control<QPushButton>("Command5");
    read->click();
    QCOMPARE(read->text(), PauseCaption);
    QVERIFY(QTest::qWaitFor([&] { return read->text() == ReadCaption; }, 60000));
}

void TestLegacyEndToEnd::verifyRecords()
{
    const QVector<protocol::InstrumentFrame> records = sim->records();
    QCOMPARE(records.size(), Records);
    for (int n = 1; n <= Records; ++n) {
        const protocol::InstrumentFrame &r = records[n - 1];
        QCOMPARE(state->recNo[n], n);
        QCOMPARE(state->recType[n], r[0]);
        QCOMPARE(state->recAvg[n], protocol::readValue(r.data(), protocol::Value::A));
        QCOMPARE(state->recMax[n], protocol::readValue(r.data(), protocol::Value::B));
        QCOMPARE(state->recMin[n], protocol::readValue(r.data(), protocol::Value::C));
    }
    QCOMPARE(state->recNo[Records + 1], 0);
    QCOMPARE(state->form2zushu, Records);
    QCOMPARE(state->pageCount, 2);
    QCOMPARE(state->curPage, 1);
    QCOMPARE(state->downloading, 0);
}

void TestLegacyEndToEnd::downloadsExactlyTheStoredRecords()
{
    QVERIFY(QTest::qWaitFor([&] { return state->meterRecCount == Records; }, Wait));
    recordRequests.clear();
    clickAndWaitForDownload();
    QCOMPARE(distinctRuns(recordRequests), range(1, Records));
    verifyRecords();
    QVERIFY(!control("RichTextBox1")->isHidden());
    QVERIFY(QTest::qWaitFor([&] { return control("ProgressBar1")->isHidden(); }, Wait));
}

void TestLegacyEndToEnd::pausesAndContinues()
{
    auto *read = control<QPushButton>("Command5");
    control<QPushButton>("Command6")->click();
    QCOMPARE(state->recNo[1], 0);

    // The instrument stops answering at record 21, so the download waits there for the pause.
    bool held = false;
    const QMetaObject::Connection hold =
        connect(sim.get(), &PtyInstrument::commandReceived, this, [&](quint16 code) {
            if (code == 21 && !held) {
                held = true;
                sim->setSilent(true);
            }
        });
    recordRequests.clear();
    read->click();
    QVERIFY(QTest::qWaitFor([&] { return recordRequests.count(21) >= 4; }, Wait));
    QCOMPARE(state->nextRec, 21);
    read->click();
    sim->setSilent(false);
    disconnect(hold);
    QCOMPARE(read->text(), ContinueCaption);
    QCOMPARE(state->resumeRec, 21);
    QCOMPARE(distinctRuns(recordRequests), range(1, 21));
    QCOMPARE(state->recNo[20], 20);
    QCOMPARE(state->recNo[21], 0);

    recordRequests.clear();
    read->click();
    QCOMPARE(read->text(), PauseCaption);
    QVERIFY(QTest::qWaitFor([&] { return read->text() == ReadCaption; }, 60000));
    QCOMPARE(distinctRuns(recordRequests), range(21, Records));
    verifyRecords();
}

void TestLegacyEndToEnd::testButtonEndsADownload()
{
    auto *read = control<QPushButton>("Command5");
    recordRequests.clear();
    sim->clearReceived();
    read->click();
    QVERIFY(QTest::qWaitFor([&] { return state->nextRec > 5; }, Wait));
    control<QPushButton>("Command1")->click();
    QCOMPARE(state->downloading, 0);
    QCOMPARE(read->text(), ReadCaption);
    QVERIFY(control("RichTextBox1")->isHidden());
    QVERIFY(QTest::qWaitFor(
        [&] { return sim->receivedCommands().count(protocol::Command::SingleTest) == 2; }, Wait));

    // The next download starts again from record 1.
    recordRequests.clear();
    clickAndWaitForDownload();
    QCOMPARE(distinctRuns(recordRequests), range(1, Records));
    verifyRecords();
}

void TestLegacyEndToEnd::backlightToggleSendsEachCommandTwice()
{
    auto *backlight = control<QPushButton>("Command8");
    sim->clearReceived();
    backlight->click();
    QCOMPARE(backlight->text(), QStringLiteral("关背光灯"));
    QVERIFY(QTest::qWaitFor([&] { return sim->backlightOn(); }, Wait));
    backlight->click();
    QCOMPARE(backlight->text(), QStringLiteral("开背光灯"));
    const auto backlightCodes = [&] {
        QList<quint16> codes;
        for (quint16 code : sim->receivedCommands()) {
            if (code == protocol::Command::BacklightOn || code == protocol::Command::BacklightOff)
                codes.append(code);
        }
        return codes;
    };
    QVERIFY(QTest::qWaitFor([&] { return backlightCodes().size() == 4; }, Wait));
    QCOMPARE(backlightCodes(), (QList<quint16>{64411, 64411, 64400, 64400}));
    QVERIFY(!sim->backlightOn());
}

void TestLegacyEndToEnd::unpluggedInstrumentIsLost()
{
    QCOMPARE(text("Label17"), QStringLiteral("连接成功"));
    sim->unplug();
    QVERIFY(QTest::qWaitFor([&] { return text("Label17") == QStringLiteral("连接失败"); }, Wait));
    QCOMPARE(text("Label18"), QStringLiteral("正在查找设备...."));
    QVERIFY(text("Label15") != QStringLiteral("COM1"));
    QCOMPARE(state->linkUp, 0);
}

QTEST_MAIN(TestLegacyEndToEnd)
#include "test_legacy_endtoend.moc"
