#include "outputfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

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
    namespace fs = std::filesystem;
    const fs::path first = QFileInfo(a).filesystemAbsoluteFilePath();
    const fs::path second = QFileInfo(b).filesystemAbsoluteFilePath();
    // Two files that are there: one file however it is reached (a link, a hard link, a name
    // in another case where names ignore case).
    std::error_code missing;
    const bool same = fs::equivalent(first, second, missing);
    if (!missing)
        return same;
    // A file still to be made: one file once made when the two name one place, the folders
    // that are there resolved.
    const auto place = [](const fs::path &path) {
        std::error_code failed;
        const fs::path resolved = fs::weakly_canonical(path, failed);
        return failed ? path.lexically_normal() : resolved;
    };
    return place(first) == place(second);
}

} // namespace OutputFile
