#include "terminal.h"

#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace Terminal
{

void note(const QString &message)
{
    const QByteArray line = "telvoro-cli: " + message.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

bool print(const QByteArray &bytes)
{
    const bool written = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) ==
                         std::size_t(bytes.size());
    return std::fflush(stdout) == 0 && written;
}

bool printLine(const QString &line)
{
    return print(line.toUtf8() + '\n');
}

bool stderrIsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(STDERR_FILENO) == 1;
#else
    return false;
#endif
}

int stderrColumns()
{
#ifdef Q_OS_UNIX
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
#endif
    return 80;
}

void redrawProgress(const QString &text)
{
    // Back to the line's start, the new text, and the rest of the old one erased.
    const QByteArray line = '\r' + text.toLocal8Bit() + "\033[K";
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

void endProgress()
{
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace Terminal
