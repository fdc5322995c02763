#pragma once

// Where telvoro-cli's words go: results on standard output, one whole line at a time; messages
// and progress on standard error. Text is UTF-8 on pipes and in files on every system; a
// Windows console is given it as UTF-16, the only form it shows right whatever its code page.

#include <QByteArray>
#include <QString>

namespace Terminal
{

/// Called first in main: standard output and error then take bytes as they are (Windows:
/// binary mode, so a line end is not made "\r\n" a second time).
void setUp();

/// "telvoro-cli: " and `message` on a line of standard error.
void note(const QString &message);

/// `line` and a line end on standard output, flushed at once; false when it could not be
/// written.
bool printLine(const QString &line);

/// `bytes` (UTF-8 text) as they are on standard output, flushed; false when they could not be
/// written.
bool print(const QByteArray &bytes);

/// `bytes` (UTF-8 text) as they are on standard error, flushed.
void printError(const QByteArray &bytes);

/// Standard error is a terminal (progress bars are drawn only there).
bool stderrIsTerminal();

/// Columns of the terminal on standard error; 80 when it cannot tell.
int stderrColumns();

/// Redraws the current line of standard error with `text`.
void redrawProgress(const QString &text);

/// Ends a progress line so the next message starts on a line of its own.
void endProgress();

} // namespace Terminal
