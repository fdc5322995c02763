#pragma once

// A console under test keeps its TestHistory.db in the working directory, so each test gets a
// scratch one of its own.

#include <QDir>
#include <QSqlDatabase>
#include <QTemporaryDir>

/// A temporary working directory for one test, left again when it ends. The history database's
/// default connection dies with it, so the next test starts from scratch. A test goes on only
/// once isValid() says it was entered.
class WorkingDir
{
public:
    WorkingDir()
        : previous(QDir::currentPath()), entered(dir.isValid() && QDir::setCurrent(dir.path()))
    {
    }
    bool isValid() const { return entered; }
    QString errorString() const
    {
        return dir.isValid() ? QStringLiteral("cannot enter ") + dir.path() : dir.errorString();
    }
    ~WorkingDir()
    {
        QDir::setCurrent(previous);
        QSqlDatabase::removeDatabase(QString::fromLatin1(QSqlDatabase::defaultConnection));
    }
    QString path() const { return dir.path(); }
    QString filePath(const QString &name) const { return dir.filePath(name); }

private:
    QString previous;
    QTemporaryDir dir;
    const bool entered;
};
