#include "workingfolder.h"

#include <QDir>
#include <QTemporaryFile>

namespace workingfolder
{

QString fallback(const QString &documents)
{
    return QDir(documents).filePath(QStringLiteral("Telvoro"));
}

QString choose(const QString &current, bool currentWritable, const QString &documents)
{
    if (currentWritable || documents.isEmpty())
        return current;
    return fallback(documents);
}

bool isWritable(const QString &folder)
{
    // Asking for the permissions is not enough on Windows, where they sit in access lists that
    // Qt does not read by default: a file is created (and removed again) instead.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("telvoro-write-test-XXXXXX")));
    return probe.open();
}

} // namespace workingfolder
