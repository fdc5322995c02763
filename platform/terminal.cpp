#include "terminal.h"

namespace Terminal
{

void note(const QString &message)
{
    printError("telvoro-cli: " + message.toUtf8() + '\n');
}

bool printLine(const QString &line)
{
    return print(line.toUtf8() + '\n');
}

void endProgress()
{
    printError("\n");
}

} // namespace Terminal
