#pragma once

// Where telvoro-cli's words go: results on standard output, one whole line at a time; messages
// and progress on standard error.

#include <QByteArray>
#include <QString>

namespace Terminal
{

/// "telvoro-cli: " and `message` on a line of standard error.
void note(const QString &message);

/// `line` and a line end on standard output, flushed at once; false when it could not be
/// written.
bool printLine(const QString &line);

/// `bytes` as they are on standard output, flushed; false when they could not be written.
bool print(const QByteArray &bytes);

/// Standard error is a terminal (progress bars are drawn only there).
bool stderrIsTerminal();

/// Columns of the terminal on standard error; 80 when it cannot tell.
int stderrColumns();

/// Redraws the current line of standard error with `text`.
void redrawProgress(const QString &text);

/// Ends a progress line so the next message starts on a line of its own.
void endProgress();

} // namespace Terminal
