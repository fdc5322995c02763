// Faults the fuzzers and the fault suites found, each pinned down where it lived.
#include "linksupervisor.h"
#include "mscomm.h"
#include "protocol.h"
#include "ptyinstrument.h"
#include "ptyorskip.h"

#include <QtTest>

class TestFaultRegressions : public QObject
{
    Q_OBJECT

private slots:
    // The automatic test writes its command and at once reopens the port when no frame came in
    // the last 100 ms; the command must still reach the instrument.
    void legacyOutputSurvivesAnImmediateClose()
    {
        SimOptions options;
        options.paced = false;
        PtyInstrument sim(options);
        OPEN_PTY_OR_SKIP(sim.open());
        const QString path = sim.slavePath();
        MSComm::setPortResolver([path](int) { return path; });
        MSComm comm;
        QCOMPARE(comm.setPortOpen(true), MSComm::NoError);
        for (int round = 0; round < 5; ++round) {
            QCOMPARE(comm.output(legacy::doubledCommand(protocol::Command::SingleTest)),
                     MSComm::NoError);
            QCOMPARE(comm.setPortOpen(false), MSComm::NoError);
            QCOMPARE(comm.setPortOpen(true), MSComm::NoError);
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return sim.receivedCommands().count(protocol::Command::SingleTest) ==
                           2 * (round + 1);
                },
                5000));
        }
        MSComm::setPortResolver({});
    }
};

QTEST_MAIN(TestFaultRegressions)
#include "test_faultregressions.moc"
