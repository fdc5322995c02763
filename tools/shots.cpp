#include "shots.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTextStream>
#include <QThread>

namespace shots
{

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void settle()
{
    waitFor([] { return false; }, 300);
}

bool fail(const QString &why)
{
    QTextStream(stderr) << "telvoro-screenshots: " << why << '\n';
    return false;
}

std::unique_ptr<PtyInstrument> openInstrument(int recordCount, quint64 seed)
{
    SimOptions options;
    options.paced = false;
    options.answerDoubledCommands = true;
    options.recordCount = recordCount;
    options.seed = seed;
    auto instrument = std::make_unique<PtyInstrument>(options);
    if (!instrument->open()) {
        fail(QStringLiteral("no pseudo-terminal: ") + instrument->errorString());
        return nullptr;
    }
    return instrument;
}

bool save(QWidget *window, const QString &folder, const QString &name)
{
    settle();
    const QString path = QDir(folder).filePath(name);
    if (!window->grab().save(path))
        return fail(QStringLiteral("cannot write ") + path);
    QTextStream(stdout) << path << '\n';
    return true;
}

} // namespace shots
