#pragma once

// Reaches the history state of a real MainWindow, built in a temporary working directory so
// its TestHistory.db never touches the repository.

#include "mainwindow.h"

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

struct MainWindowProbe {
    static QTableWidget *table(MainWindow &w) { return w.tableHistory; }
    static QLabel *pageLabel(MainWindow &w) { return w.labelPage; }
    static QPushButton *prev(MainWindow &w) { return w.btnPrevPage; }
    static QPushButton *next(MainWindow &w) { return w.btnNextPage; }
    static QPushButton *clear(MainWindow &w) { return w.btnClearHistory; }
    static QPushButton *exportCsv(MainWindow &w) { return w.btnExport; }
    static QPushButton *sync(MainWindow &w) { return w.btnSyncHistory; }
    static QPushButton *scan(MainWindow &w) { return w.btnScan; }
    static QProgressBar *progress(MainWindow &w) { return w.progressSync; }
    static QTextEdit *log(MainWindow &w) { return w.textLog; }
    static QTimer *pollTimer(MainWindow &w) { return w.pollTimer; }
    static QTimer *handshakeTimer(MainWindow &w) { return w.handshakeTimer; }
    static QTimer *autoTestTimer(MainWindow &w) { return w.autoTestTimer; }
    static QSerialPort *port(MainWindow &w) { return w.serialPort; }
    static QSqlDatabase db(MainWindow &w) { return w.db; }
    static bool isConnected(MainWindow &w) { return w.isConnected; }
    static bool awaitingCount(MainWindow &w) { return w.awaitingHistoryCount; }
    static bool syncing(MainWindow &w) { return w.isSyncingHistory; }
    static int total(MainWindow &w) { return w.historyTotal; }
    static int currentPage(MainWindow &w) { return w.currentPage; }
    static int totalPages(MainWindow &w) { return w.totalPages; }
    static void insert(MainWindow &w, int index, const QString &type, double avg, double max,
                       double min, const QString &unit, int battery, bool refresh)
    {
        w.insertHistoryRecord(index, type, avg, max, min, unit, battery, refresh);
    }
    static void refresh(MainWindow &w) { w.updatePagination(); }
    static void requestReading(MainWindow &w) { w.requestRealTimeData(); }
};

/// Log messages without their "[hh:mm:ss] " stamps.
inline QStringList logMessages(MainWindow &w)
{
    QStringList lines;
    const QStringList raw =
        MainWindowProbe::log(w)->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : raw)
        lines << line.mid(11);
    return lines;
}

/// Log messages added since the log held `before` lines.
inline QStringList logSince(MainWindow &w, int before)
{
    return logMessages(w).mid(before);
}

/// A temporary working directory for one test, left again when it ends. The history database's
/// default connection dies with it, so the next test starts from scratch.
class WorkingDir
{
public:
    WorkingDir() : previous(QDir::currentPath())
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
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
};
