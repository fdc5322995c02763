#pragma once

// Runs platformprobe, the helper program beside the test, and keeps what it wrote.

#include <QCoreApplication>
#include <QProcess>
#include <QtTest>

struct ProbeRun {
    QByteArray out;
    QByteArray err;
    int exitCode = -1;
};

inline QString probePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/platformprobe");
}

inline ProbeRun runProbe(const QStringList &arguments)
{
    QProcess probe;
    probe.start(probePath(), arguments);
    ProbeRun run;
    if (!probe.waitForFinished(60000)) {
        probe.kill();
        probe.waitForFinished(5000);
        return run;
    }
    run.out = probe.readAllStandardOutput();
    run.err = probe.readAllStandardError();
    run.exitCode = probe.exitStatus() == QProcess::NormalExit ? probe.exitCode() : -1;
    return run;
}
