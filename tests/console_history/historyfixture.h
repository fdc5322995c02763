#pragma once

// Reaches the history state of a real MainWindow, built in a temporary working directory so
// its TestHistory.db never touches the repository.

#include "mainwindowprobe.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <memory>

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
