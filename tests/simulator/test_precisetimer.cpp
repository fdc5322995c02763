#include "simplatform.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using simplatform::PreciseTimer;

namespace
{

// Keeps the thread from its event loop for `ns`, so that a timer expires unhandled.
void busyFor(qint64 ns)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.nsecsElapsed() < ns) {
    }
}

} // namespace

class TestPreciseTimer : public QObject
{
    Q_OBJECT

private slots:
    void firesNoSoonerThanAsked_data()
    {
        QTest::addColumn<qint64>("waitNs");
        QTest::newRow("at once") << qint64(0);
        QTest::newRow("a fraction of a millisecond") << qint64(300'000);
        QTest::newRow("a few milliseconds") << qint64(5'000'000);
    }

    void firesNoSoonerThanAsked()
    {
        QFETCH(qint64, waitNs);
        PreciseTimer timer;
        QSignalSpy fired(&timer, &PreciseTimer::timeout);
        QElapsedTimer clock;
        clock.start();
        timer.start(waitNs);
        QVERIFY(QTest::qWaitFor([&] { return fired.count() > 0; }, 10000));
        QVERIFY2(clock.nsecsElapsed() >= waitNs, qPrintable(QString::number(clock.nsecsElapsed())));
        QCOMPARE(fired.count(), 1);
    }

    // The instrument sets its timer anew before every byte: an expiry that the event loop had
    // not yet handled must not cut the new wait short.
    void restartForgetsAnExpiryNotYetHandled()
    {
        PreciseTimer timer;
        QSignalSpy fired(&timer, &PreciseTimer::timeout);
        timer.start(1'000'000);
        busyFor(5'000'000);
        QElapsedTimer clock;
        clock.start();
        timer.start(50'000'000);
        QVERIFY(QTest::qWaitFor([&] { return fired.count() > 0; }, 10000));
        QVERIFY2(clock.nsecsElapsed() >= 50'000'000,
                 qPrintable(QString::number(clock.nsecsElapsed())));
        QCOMPARE(fired.count(), 1);
    }

    void stoppedTimerStaysQuiet()
    {
        PreciseTimer timer;
        QSignalSpy fired(&timer, &PreciseTimer::timeout);
        timer.start(1'000'000);
        busyFor(5'000'000);
        timer.stop();
        // A later timer's timeout comes after anything the stopped one could still deliver.
        PreciseTimer later;
        QSignalSpy laterFired(&later, &PreciseTimer::timeout);
        later.start(20'000'000);
        QVERIFY(QTest::qWaitFor([&] { return laterFired.count() > 0; }, 10000));
        QCOMPARE(fired.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPreciseTimer)
#include "test_precisetimer.moc"
