#include "outputfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace OutputFile
{

Result write(const QString &path, QIODevice::OpenMode mode,
             const std::function<bool(QIODevice &)> &write, QString *error)
{
    const auto failed = [error](const QFileDevice &file, Result result) {
        if (error)
            *error = file.errorString();
        return result;
    };
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        QFile device(path);
        if (!device.open(mode | QIODevice::WriteOnly | QIODevice::Truncate))
            return failed(device, Result::OpenFailed);
        // A full disk or a vanished network share must not end in a file called a success.
        const bool written = write(device) && device.flush();
        device.close();
        return written && device.error() == QFileDevice::NoError
                   ? Result::Written
                   : failed(device, Result::WriteFailed);
    }
    QSaveFile file(path);
    if (!file.open(mode | QIODevice::WriteOnly))
        return failed(file, Result::OpenFailed);
    if (!write(file))
        file.cancelWriting();
    return file.commit() ? Result::Written : failed(file, Result::WriteFailed);
}

bool sameFile(const QString &a, const QString &b)
{
    const auto spelt = [](const QString &path) {
        const QFileInfo file(path);
        return file.exists() ? file.canonicalFilePath() : QDir::cleanPath(file.absoluteFilePath());
    };
    return spelt(a) == spelt(b);
}

} // namespace OutputFile
