// The legacy console in the field, against the simulated instrument: the port the automatic test
// reopens, clearing before a smaller download, the alarm lamp while record pages are shown, and
// an instrument holding more records than the console keeps. A download on a dead line is with
// the other line faults.
#include "../legacy_link/messagecatcher.h"
#include "form1probe.h"
#include "legacyrig.h"
#include "ptyorskip.h"
#include "recordacquisition.h"
#include "shapelamp.h"

#include <QLineEdit>
#include <QTextEdit>

using namespace legacy;

namespace
{

constexpr int Wait = 30000;
const QColor LampRed(255, 0, 0);

QString portList(const LegacyRig &rig)
{
    QStringList numbers;
    for (int n : rig.portsOpened)
        numbers.append(QString::number(n));
    return numbers.join(u' ');
}

// Starts a download and waits for its end, however the read button gets there.
bool download(LegacyRig &rig)
{
    QPushButton *read = rig.button("Command5");
    read->click();
    return read->text() == PauseCaption &&
           QTest::qWaitFor([&] { return read->text() == ReadCaption; }, 120000);
}

} // namespace

class TestLegacySafety : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { OPEN_PTY_OR_SKIP(PtyInstrument().open()); }

    // The instrument on COM2, the first port the console opens. Start-up moves the search on to
    // COM7 while COM2 stays open; every reopen of the automatic test must still be COM2. The
    // default period of 10 s holds two tests in 20 s; half a second gives the same ticks many
    // times over in a few seconds.
    void automaticTestReopensThePortThatIsOpen()
    {
        LegacyRig rig(unpaced(5), 2);
        QVERIFY(rig.waitLinked());
        QCOMPARE(rig.text("Label15"), QStringLiteral("COM2"));
        QCOMPARE(rig.portsOpened, QList<int>{2});
        QStringList skipped;
        connect(rig.sim.get(), &PtyInstrument::logMessage, this, [&](const QString &line) {
            if (line.startsWith(QLatin1String("skipped")))
                skipped.append(line);
        });

        rig.control<QLineEdit>("Text4")->setText(QStringLiteral("0.5"));
        rig.button("Command16")->click();
        const auto elsewhere = [&] { return rig.portsOpened.count(2) != rig.portsOpened.size(); };
        QVERIFY(QTest::qWaitFor([&] { return rig.portsOpened.size() > 8 || elsewhere(); }, Wait));
        QVERIFY2(!elsewhere(), qPrintable(QStringLiteral("ports opened: %1").arg(portList(rig))));
        QVERIFY(rig.linked());
        QCOMPARE(rig.text("Label15"), QStringLiteral("COM2"));
        QVERIFY(rig.sim->receivedCommands().count(protocol::Command::SingleTest) >= 8);
        // Every command written just before a reopen arrived whole.
        QCOMPARE(skipped, QStringList());
    }

    // Clearing forgets every downloaded record with its type, so a smaller download afterwards
    // shows blank rows after its own records.
    void clearingBeforeASmallerDownload()
    {
        LegacyRig rig(unpaced(120));
        QVERIFY(rig.waitCount(120));
        QVERIFY(download(rig));
        QString why;
        QVERIFY2(rig.holdsRecords(120, &why), qPrintable(why));

        rig.button("Command6")->click();
        rig.sim->setRecordCount(30);
        QVERIFY(rig.waitCount(30));
        QVERIFY(download(rig));
        QVERIFY2(rig.holdsRecords(30, &why), qPrintable(why));
        for (int n = 31; n <= 120; ++n) {
            QCOMPARE(rig.state->recNo[n], 0);
            QCOMPARE(rig.state->recType[n], 0);
            QCOMPARE(rig.state->recAvg[n] + rig.state->recMax[n] + rig.state->recMin[n], 0);
        }
        // Page 1, right box: an empty line, the header, then records 25..48.
        const QStringList right =
            rig.control<QTextEdit>("RichTextBox2")->toPlainText().split(u'\n');
        QVERIFY(right.value(7).startsWith(QStringLiteral("第030组")));
        for (int line = 8; line <= 25; ++line)
            QCOMPARE(right.value(line), QString(30, u' '));
    }

    // Record pages format every row; the lamp must still follow the live reading (13.00Ω).
    void lampFollowsTheLiveReadingOnly_data()
    {
        QTest::addColumn<QString>("threshold");
        QTest::addColumn<int>("recordValue");
        QTest::addColumn<bool>("blinks");
        QTest::newRow("records over the threshold, live reading under it") << "50" << 9000 << false;
        QTest::newRow("records under the threshold, live reading over it") << "10" << 500 << true;
    }
    void lampFollowsTheLiveReadingOnly()
    {
        QFETCH(QString, threshold);
        QFETCH(int, recordValue);
        QFETCH(bool, blinks);
        LegacyRig rig(unpaced(60));
        QVector<protocol::InstrumentFrame> records;
        for (int n = 1; n <= 60; ++n) {
            const auto raw = quint16(recordValue);
            records.append(protocol::buildFrame(0x12, 0, raw, raw, raw, quint16(n)));
        }
        rig.sim->setRecords(records);
        QVERIFY(rig.waitCount(60));
        rig.control<QLineEdit>("Text2")->setText(threshold);
        rig.button("Command15")->click();
        const quint8 live = blinks ? 1 : 0;
        QVERIFY(
            QTest::qWaitFor([&] { return rig.text("Label1") == QStringLiteral("13.00Ω"); }, Wait));
        QVERIFY(QTest::qWaitFor([&] { return rig.state->overLimit == live; }, Wait));
        QVERIFY(download(rig));
        QVERIFY(QTest::qWaitFor([&] { return rig.button("Command13")->isEnabled(); }, Wait));

        auto *lamp = rig.control<ShapeLamp>("Shape1");
        for (const char *name : {"Command13", "Command12", "Command14"}) {
            rig.button(name)->click();
            QCOMPARE(rig.state->overLimit, live);
            // Two lamp ticks show whether it blinks.
            QList<QColor> colours;
            for (int tick = 0; tick < 2; ++tick) {
                Form1Probe::tick(*rig.form, 4);
                colours.append(lamp->fillColor());
            }
            QCOMPARE(colours.contains(LampRed), blinks);
        }
    }

    // The store keeps records 1..10000. The download starts near its end (as a continue from
    // record 9990 would) so that it does not take 10000 requests.
    void moreRecordsThanTheStoreKeeps()
    {
        LegacyRig rig(unpaced(10003));
        QVERIFY(rig.waitCount(10003));
        MessageCatcher boxes;
        QPushButton *read = rig.button("Command5");
        rig.state->resumeRec = 9990;
        read->setText(ContinueCaption);
        read->click();
        QCOMPARE(read->text(), PauseCaption);
        QVERIFY(QTest::qWaitFor([&] { return read->text() == ReadCaption; }, Wait));
        QVERIFY(QTest::qWaitFor([&] { return !boxes.texts.isEmpty(); }, Wait));
        QCOMPARE(boxes.title, QStringLiteral("系统提示!"));
        QCOMPARE(boxes.texts,
                 QStringList{QStringLiteral(
                     "仪表共有10003组数据，本机只能保存前10000组；其余3组仍保存在仪表中。")});
        QCOMPARE(rig.state->recNo[10000], 10000);
        QVERIFY(rig.sim->receivedCommands().contains(10003));
    }
};

QTEST_MAIN(TestLegacySafety)
#include "test_legacysafety.moc"
