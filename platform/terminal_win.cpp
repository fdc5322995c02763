#include "terminal.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

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

// The console behind a standard handle; null when the handle is a pipe or a file.
HANDLE consoleOf(DWORD standardHandle)
{
    const HANDLE handle = ::GetStdHandle(standardHandle);
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle && ::GetConsoleMode(handle, &mode) ? handle
                                                                                       : nullptr;
}

bool writeConsole(HANDLE console, const QString &text)
{
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    qsizetype left = text.size();
    while (left > 0) {
        DWORD written = 0;
        if (!::WriteConsoleW(console, wide, DWORD(left), &written, nullptr) || written == 0)
            return false;
        wide += written;
        left -= written;
    }
    return true;
}

// To a console the text goes as UTF-16: bytes would be read in its code page, which is not
// UTF-8 ("Ω" would show as "Î©"). Pipes and files get the UTF-8 bytes, as on every system.
bool writeText(DWORD standardHandle, std::FILE *stream, const QByteArray &bytes)
{
    if (const HANDLE console = consoleOf(standardHandle)) {
        std::fflush(stream);
        return writeConsole(console, QString::fromUtf8(bytes));
    }
    return write(stream, bytes);
}

} // namespace

void setUp()
{
    // The C streams of Windows start in text mode, which makes each "\n" "\r\n": results would
    // differ from those on other systems, and a file written through Qt's own text mode (the
    // CSV export to standard output) would get "\r\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool print(const QByteArray &bytes)
{
    return writeText(STD_OUTPUT_HANDLE, stdout, bytes);
}

void printError(const QByteArray &bytes)
{
    writeText(STD_ERROR_HANDLE, stderr, bytes);
}

bool stderrIsTerminal()
{
    return consoleOf(STD_ERROR_HANDLE) != nullptr;
}

int stderrColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (const HANDLE console = consoleOf(STD_ERROR_HANDLE);
        console && ::GetConsoleScreenBufferInfo(console, &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

void redrawProgress(const QString &text)
{
    const HANDLE console = consoleOf(STD_ERROR_HANDLE);
    if (!console) {
        printError('\r' + text.toUtf8() + "\033[K");
        return;
    }
    // Consoles before Windows 10 do not know the erase sequence, and turning it on would change
    // the console's mode for the shell as well: the rest of the old line is blanked in place.
    writeConsole(console, QLatin1Char('\r') + text);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(console, &info))
        return;
    DWORD blanked = 0;
    ::FillConsoleOutputCharacterW(console, L' ', DWORD(info.dwSize.X - info.dwCursorPosition.X),
                                  info.dwCursorPosition, &blanked);
}

} // namespace Terminal
