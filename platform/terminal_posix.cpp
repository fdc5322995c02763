#include "terminal.h"

#include <cstdio>

#include <sys/ioctl.h>
#include <unistd.h>

namespace Terminal
{

namespace
{

bool write(std::FILE *stream, const QByteArray &bytes)
{
    const bool written = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream) ==
                         std::size_t(bytes.size());
    return std::fflush(stream) == 0 && written;
}

} // namespace

void setUp() {}

bool print(const QByteArray &bytes)
{
    return write(stdout, bytes);
}

void printError(const QByteArray &bytes)
{
    write(stderr, bytes);
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

int stderrColumns()
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

void redrawProgress(const QString &text)
{
    // Back to the line's start, the new text, and the rest of the old one erased.
    printError('\r' + text.toUtf8() + "\033[K");
}

} // namespace Terminal
