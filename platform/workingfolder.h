#pragma once

#include <QString>

/// The folder a console keeps its files in ("TestHistory.db" in the working directory).
namespace workingfolder
{

/// The per-user folder used when the working directory cannot be written: "Telvoro" in
/// `documents`.
QString fallback(const QString &documents);

/// The folder to work in: `current` when it can be written, otherwise the fallback in
/// `documents`; `current` as well when there is no documents folder to go to.
QString choose(const QString &current, bool currentWritable, const QString &documents);

/// True when a file can be created in `folder`.
bool isWritable(const QString &folder);

/// Called first in a console's main(). On Windows, a working directory that cannot be written
/// (a shortcut into Program Files starts the program there) is left for the fallback in the
/// user's Documents, created when missing; elsewhere the working directory stays as it is.
void settle();

} // namespace workingfolder
