// telvoro-cli: the instrument from scripts, terminals and headless machines.
#include "cliargs.h"
#include "commands.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Nothing here integrates with GLib; Qt's own Unix event loop answers a serial port's bytes
    // sooner, which a download of a thousand exchanges adds up.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    const QCoreApplication app(argc, argv);
    const ParsedArguments parsed = parseArguments(argc, argv);
    std::fputs(parsed.out.c_str(), stdout);
    std::fputs(parsed.err.c_str(), stderr);
    if (!parsed.run)
        return int(parsed.exit);
    return int(runCommand(parsed.request));
}
