// telvoro-cli: the instrument from scripts, terminals and headless machines.
#include "cliargs.h"
#include "commands.h"
#include "programarguments.h"
#include "reportcommand.h"
#include "terminal.h"

#include <QCoreApplication>

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

    // Only the report draws; it makes the application it needs itself.
    if (parsed.request.command == CliRequest::Command::Report)
        return int(runReport(argc, argv, parsed.request));
    const QCoreApplication app(argc, argv);
    return int(runCommand(parsed.request));
}
