// telvoro-sim: the instrument on a pseudo-terminal, for demos and for clients that are not ours.

#include "commandname.h"
#include "ptyinstrument.h"
#include "simcommandline.h"
#include "simplatform.h"
#include "stopsignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace
{

constexpr int SendingIdleMs = 15;

void printLine(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// A link left behind by a killed run is replaced; anything else at the path is not ours.
bool createLink(const QString &linkPath, const QString &target, QString &error)
{
    const QFileInfo existing(linkPath);
    if (existing.isSymLink())
        QFile::remove(linkPath);
    else if (existing.exists()) {
        error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
        return false;
    }
    if (!QFile::link(target, linkPath)) {
        error = QStringLiteral("cannot create the symbolic link %1").arg(linkPath);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("telvoro-sim"));

    SimCommandLine commandLine;
    if (!commandLine.parse(QCoreApplication::arguments())) {
        printLine(stderr, QStringLiteral("telvoro-sim: ") + commandLine.errorText());
        printLine(stderr, QStringLiteral("Try 'telvoro-sim --help'."));
        return 2;
    }
    if (commandLine.helpRequested()) {
        printLine(stdout, commandLine.helpText());
        return 0;
    }

    simplatform::ignoreBrokenPipe();
    const StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &app, &QCoreApplication::quit);
    PtyInstrument instrument(commandLine.options());
    if (!instrument.open()) {
        printLine(stderr, QStringLiteral("telvoro-sim: cannot open a pseudo-terminal: ") +
                              instrument.errorString());
        return 1;
    }
    const QString device = instrument.slavePath();
    // The link exists by the time a caller has read the path.
    const QString linkPath = commandLine.linkPath();
    if (!linkPath.isEmpty()) {
        QString error;
        if (!createLink(linkPath, device, error)) {
            printLine(stderr, QStringLiteral("telvoro-sim: ") + error);
            return 1;
        }
    }
    printLine(stdout, device);

    QElapsedTimer clock;
    clock.start();
    const auto log = [&clock](const QString &text) {
        printLine(
            stderr,
            QStringLiteral("[%1] %2").arg(double(clock.elapsed()) / 1000.0, 9, 'f', 3).arg(text));
    };
    // Paced replies leave a byte or two at a time; log them as one line per burst.
    QByteArray sending;
    QTimer sendingIdle;
    sendingIdle.setSingleShot(true);
    sendingIdle.setInterval(SendingIdleMs);
    const auto flushSending = [&] {
        if (!sending.isEmpty())
            log(QStringLiteral("-> ") + hex(sending));
        sending.clear();
    };
    const auto logEvent = [&](const QString &text) {
        flushSending();
        log(text);
    };
    QObject::connect(&sendingIdle, &QTimer::timeout, flushSending);
    QObject::connect(&instrument, &PtyInstrument::bytesSent, [&](const QByteArray &bytes) {
        sending += bytes;
        sendingIdle.start();
    });
    QObject::connect(&instrument, &PtyInstrument::bytesReceived, [&](const QByteArray &bytes) {
        logEvent(QStringLiteral("<- ") + hex(bytes));
    });
    QObject::connect(&instrument, &PtyInstrument::logMessage, logEvent);
    QObject::connect(&instrument, &PtyInstrument::unplugged, &app, &QCoreApplication::quit);

    const SimOptions &o = commandLine.options();
    log(QStringLiteral("serving on %1%2: kind %3, %4 decimals, values %5,%6,%7, battery %8, "
                       "%9 records, seed %10, %11")
            .arg(device, linkPath.isEmpty() ? QString() : QStringLiteral(" (") + linkPath + ')')
            .arg(o.kind)
            .arg(o.decimals)
            .arg(o.valueA)
            .arg(o.valueB)
            .arg(o.valueC)
            .arg(o.battery)
            .arg(o.recordCount)
            .arg(o.seed)
            .arg(o.paced ? QStringLiteral("paced at 4800 baud") : QStringLiteral("not paced")));

    const int status = app.exec();
    logEvent(QStringLiteral("stopped"));
    if (!linkPath.isEmpty() && QFileInfo(linkPath).symLinkTarget() == device)
        QFile::remove(linkPath);
    return status;
}
