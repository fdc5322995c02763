// A request to stop reaches the program's event loop: POSIX's SIGINT and SIGTERM, Windows'
// Ctrl+Break (Ctrl+C cannot be sent to one process alone; it takes the same road).
#include "probe.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#endif

class TestStopSignals : public QObject
{
    Q_OBJECT

private slots:
    void requestEndsTheEventLoop_data();
    void requestEndsTheEventLoop();
};

void TestStopSignals::requestEndsTheEventLoop_data()
{
    QTest::addColumn<int>("request");
#ifdef Q_OS_WIN
    QTest::newRow("Ctrl+Break") << int(CTRL_BREAK_EVENT);
#else
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
#endif
}

void TestStopSignals::requestEndsTheEventLoop()
{
    QFETCH(int, request);
    QProcess probe;
#ifdef Q_OS_WIN
    if (!::GetConsoleWindow())
        QSKIP("no console to send Ctrl+Break through");
    // A group of its own, so the request reaches the probe and not this test as well.
    probe.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments *args) { args->flags |= CREATE_NEW_PROCESS_GROUP; });
#endif
    probe.start(probePath(), {QStringLiteral("stop")});
    QVERIFY(probe.waitForStarted(30000));
    QVERIFY(QTest::qWaitFor([&] { return probe.canReadLine(); }, 30000));
    QCOMPARE(probe.readLine(), QByteArray("ready\n"));
#ifdef Q_OS_WIN
    if (!::GenerateConsoleCtrlEvent(DWORD(request), DWORD(probe.processId()))) {
        probe.kill();
        probe.waitForFinished(30000);
        QSKIP("this console cannot send Ctrl+Break (Wine's cannot)");
    }
#else
    QCOMPARE(::kill(pid_t(probe.processId()), request), 0);
#endif
    QVERIFY(probe.waitForFinished(30000));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
    QCOMPARE(probe.readAll(), QByteArray("stopped\n"));
}

QTEST_GUILESS_MAIN(TestStopSignals)
#include "test_stopsignals.moc"
