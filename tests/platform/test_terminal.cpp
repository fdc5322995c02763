// What telvoro-cli's terminal writes to pipes and files, seen from outside: UTF-8 and "\n" on
// every system; through Qt's text mode (the CSV export to standard output) "\r\n" on Windows,
// once. A console's own form (UTF-16) needs a real console and is not seen here.
#include "probe.h"

class TestTerminal : public QObject
{
    Q_OBJECT

private slots:
    void pipesGetUtf8AsItIs();
};

void TestTerminal::pipesGetUtf8AsItIs()
{
    const ProbeRun run = runProbe({QStringLiteral("streams")});
    QCOMPARE(run.exitCode, 0);
#ifdef Q_OS_WIN
    const QByteArray textMode = "a,b\r\nc,d\r\n";
#else
    const QByteArray textMode = "a,b\nc,d\n";
#endif
    QCOMPARE(run.out, QStringLiteral("0.35 Ω 接地电阻\n").toUtf8() + "raw\nbytes\n" + textMode);
    QCOMPARE(run.err, QStringLiteral("telvoro-cli: Ω 中文\n").toUtf8());
}

QTEST_GUILESS_MAIN(TestTerminal)
#include "test_terminal.moc"
