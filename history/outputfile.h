#pragma once

// Writing a result file (report, export) so that a failure never costs the user an older one.

#include <QIODevice>
#include <QString>

#include <functional>

namespace OutputFile
{

enum class Result { Written, OpenFailed, WriteFailed };

/// Opens `path` for writing with `mode` (WriteOnly added) and hands it to `write`. A regular file,
/// new or existing, is replaced only once `write` succeeded and every byte landed; a device or
/// a pipe cannot be replaced and takes the bytes as they come. On failure `error` (if given) gets
/// the system's reason.
Result write(const QString &path, QIODevice::OpenMode mode,
             const std::function<bool(QIODevice &)> &write, QString *error = nullptr);

/// True when `a` and `b` name the same file, however they are spelt or reached: links and hard
/// links of files that are there, and for a file still to be made, links of its folders.
bool sameFile(const QString &a, const QString &b);

} // namespace OutputFile
