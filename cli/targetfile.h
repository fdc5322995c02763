#pragma once

// Whether a file telvoro-cli is to write can be written, told before any work is done.

#include <QString>

namespace TargetFile
{

/// Why `path` cannot be written, in plain words ("the folder out cannot be written"); empty
/// when it can. A regular file, new or existing, is replaced through a temporary file beside
/// it, so its folder must take new files; a device or a pipe is written as it is.
QString whyNotWritable(const QString &path);

} // namespace TargetFile
