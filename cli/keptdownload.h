#pragma once

// What a download received, kept in a file beside its first target when the targets could not
// take it (an interrupted download, a database that stayed busy): "<target>.download", a history
// database like any other (export, report and the console read it) that also notes the count
// the instrument announced and how many records had arrived, so that download --resume goes on
// from there.

#include "recorddownload.h"

#include <QString>

namespace KeptDownload
{

/// Where a download into `target` keeps what it received: "<target>.download".
QString pathFor(const QString &target);

/// Writes the count, the number received and the records of `download` into `path`, replacing
/// what it held, in one transaction. `error` tells why not.
bool write(const QString &path, const DownloadOutcome &download, QString *error);

/// Reads a download kept in `path` into `download`; false, with `error`, when `path` holds
/// none (or not a whole one).
bool read(const QString &path, DownloadOutcome *download, QString *error);

} // namespace KeptDownload
