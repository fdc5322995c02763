// telvoro-cli: the instrument from scripts, terminals and headless machines.
#include "cliargs.h"
#include "clihints.h"
#include "commands.h"
#include "programarguments.h"
#include "terminal.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <memory>

int main(int argc, char *argv[])
{
    // Nothing here integrates with GLib; Qt's own Unix event loop answers a serial port's bytes
    // sooner, which a download of a thousand exchanges adds up.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    Terminal::setUp();
    const ProgramArguments arguments(argc, argv);
    const ParsedArguments parsed = parseArguments(arguments.count(), arguments.values());
    Terminal::print(QByteArray::fromStdString(parsed.out));
    Terminal::printError(QByteArray::fromStdString(parsed.err));
    if (!parsed.run)
        return int(parsed.exit);

    // Only the report draws text, which needs Qt's fonts and so a GUI application; it never
    // needs a display.
    std::unique_ptr<QCoreApplication> app;
    if (parsed.request.command == CliRequest::Command::Report) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", CliHints::headlessPlatform());
        // Quiet on success: the platform's notes (no runtime directory...) are not the user's
        // business; the report's own failures are reported with their exit status.
        QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return int(runCommand(parsed.request));
}
