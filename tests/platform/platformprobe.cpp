// A small program the platform tests run, so that what reaches its standard streams and its
// arguments are seen from outside, as a user's shell or script sees them.
//   platformprobe arguments ARG...  each argument's UTF-8 bytes in hex, one per line
//   platformprobe streams           a result line, raw bytes, a message, and text through a
//                                   text-mode QFile on standard output (as export writes CSV)
//   platformprobe stop              "ready", then "stopped" once asked to stop
#include "programarguments.h"
#include "stopsignals.h"
#include "terminal.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstring>

int main(int argc, char *argv[])
{
    Terminal::setUp();
    const ProgramArguments arguments(argc, argv);
    if (arguments.count() < 2)
        return 2;
    const QByteArray mode = arguments.values()[1];
    if (mode == "arguments") {
        for (int i = 2; i < arguments.count(); ++i) {
            const char *value = arguments.values()[i];
            Terminal::print(QByteArray(value, qsizetype(std::strlen(value))).toHex() + '\n');
        }
        return 0;
    }
    if (mode == "streams") {
        Terminal::printLine(QStringLiteral("0.35 Ω 接地电阻"));
        Terminal::print("raw\nbytes\n");
        Terminal::note(QStringLiteral("Ω 中文"));
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Text))
            return 1;
        out.write("a,b\nc,d\n");
        return out.flush() ? 0 : 1;
    }
    if (mode == "stop") {
        QCoreApplication app(argc, argv);
        const StopSignals stop;
        QObject::connect(&stop, &StopSignals::stopRequested, &app, [] {
            Terminal::printLine(QStringLiteral("stopped"));
            QCoreApplication::quit();
        });
        Terminal::printLine(QStringLiteral("ready"));
        // Never waits for ever, whatever the test does.
        QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(3); });
        return app.exec();
    }
    return 2;
}
