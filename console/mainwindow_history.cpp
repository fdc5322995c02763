// History database, table pages, download, clearing and CSV export.
#include "mainwindow.h"

#include "commandbytes.h"
#include "csvreport.h"
#include "historycell.h"
#include "historydownload.h"
#include "historypaging.h"
#include "historystore.h"
#include "linkrules.h"
#include "logname.h"
#include "protocol.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlError>
#include <QTableWidget>
#include <QTimer>

namespace
{

/// The log line of a download's note.
QString noteLine(DownloadNote note, const DownloadState &state)
{
    switch (note) {
    case DownloadNote::Counted:
        return QStringLiteral("[同步] 设备端共有 %1 条历史记录，开始高速同步...")
            .arg(state.historyTotal);
    case DownloadNote::NoRecords:
        return QStringLiteral("[同步] 设备端无历史记录。");
    case DownloadNote::CountRetry:
        return QStringLiteral("[同步] 等待记录总数应答超时，重新请求 (%1/%2)...")
            .arg(state.historyRetries)
            .arg(HistoryMaxRetries);
    case DownloadNote::RecordRetry:
        return QStringLiteral("[同步] 第 %1 条记录应答超时，重新请求 (%2/%3)...")
            .arg(state.historyIndex)
            .arg(state.historyRetries)
            .arg(HistoryMaxRetries);
    }
    return {};
}

} // namespace

void MainWindow::initDatabase()
{
    // Made here, before the constructor creates the serial port, so the window's children
    // delete it first: the port closing in the window's destructor then no longer reaches the
    // half-destroyed window through the connection the first download makes.
    historyWatchdog = new QTimer(this);
    historyWatchdog->setSingleShot(true);
    historyWatchdog->setInterval(HistoryAnswerTimeoutMs);
    connect(historyWatchdog, &QTimer::timeout, this, &MainWindow::onHistoryWatchdogTimeout);

    const QString connectionName = QString::fromLatin1(QSqlDatabase::defaultConnection);
    if (QSqlDatabase::contains(connectionName)) {
        db = QSqlDatabase::database(connectionName);
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(QString::fromLatin1(HistoryStore::FileName));
    }

    if (!db.open()) {
        appendLog(QStringLiteral("[致命] 无法连接到本地历史数据库！") + db.lastError().text());
        return;
    }

    QString error;
    if (HistoryStore::createTable(db, &error))
        appendLog(QStringLiteral("[系统] 本地历史数据库引擎初始化成功。"));
    else
        appendLog(QStringLiteral("[致命] 数据表初始化失败！") + error);

    currentPage = 1;
    updatePagination();
}

void MainWindow::insertHistoryRecord(int recordIndex, const QString &dataType, double avgValue,
                                     double maxValue, double minValue, const QString &unit,
                                     int battery, bool refreshTable)
{
    // Without a database nothing is stored: the download must not end as if it had been.
    if (!db.isOpen()) {
        ++historyStoreFailures;
        return;
    }

    const HistoryRecord record{recordIndex, dataType, avgValue, maxValue, minValue, unit, battery};
    QString error;
    if (!HistoryStore::insert(db, record, &error)) {
        appendLog(QStringLiteral("[错误] 历史记录归档失败！") + error);
        ++historyStoreFailures;
        return;
    }
    if (refreshTable)
        updatePagination();
}

void MainWindow::updatePagination()
{
    if (!db.isOpen())
        return;

    const HistoryPage page = HistoryPaging::clamp(HistoryStore::count(db), pageSize, currentPage);
    totalPages = page.totalPages;
    currentPage = page.currentPage;
    labelPage->setText(HistoryPaging::label(currentPage, totalPages));
    btnPrevPage->setEnabled(currentPage > 1);
    btnNextPage->setEnabled(currentPage < totalPages);

    const std::optional<QList<HistoryRecord>> records =
        HistoryStore::page(db, pageSize, page.offset);
    if (!records)
        return;

    tableHistory->setRowCount(0);
    for (int row = 0; row < records->size(); ++row) {
        tableHistory->insertRow(row);
        const QList<HistoryCell> cells = HistoryCells::rowCells(records->at(row));
        for (int column = 0; column < cells.size(); ++column) {
            const HistoryCell &cell = cells[column];
            auto *item = new QTableWidgetItem(cell.text);
            if (cell.alignment)
                item->setTextAlignment(*cell.alignment);
            if (!cell.colour.isEmpty())
                item->setForeground(QBrush(QColor(cell.colour)));
            tableHistory->setItem(row, column, item);
        }
    }
}

void MainWindow::onBtnPrevPageClicked()
{
    --currentPage;
    updatePagination();
}

void MainWindow::onBtnNextPageClicked()
{
    ++currentPage;
    updatePagination();
}

void MainWindow::onBtnClearHistoryClicked()
{
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        this, QStringLiteral("危险操作"),
        QStringLiteral("确定要彻底清空上位机与设备端的所有测试记录吗？\n此操作不可逆！"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;

    if (!HistoryStore::clear(db)) {
        // The instrument keeps its records too: clearing only one side would split the history.
        appendLog(QStringLiteral(
            "[错误] 本地历史记录清除失败（数据库可能被占用或只读），未向设备下发清空指令。"));
        return;
    }
    currentPage = 1;
    updatePagination();

    if (isConnected && serialPort->isOpen()) {
        if (serialPort->write(commandBytes(protocol::Command::ClearRecords)) == -1) {
            handleSerialError(QSerialPort::ResourceError);
            return;
        }
        appendLog(QStringLiteral("[控制] 已向设备下发清空历史记录指令 (0x64 65 FB BC)。"));
    }
    appendLog(QStringLiteral("[数据库] 本地历史记录已被彻底清空。"));
}

void MainWindow::onBtnExportClicked()
{
    if (!db.isOpen())
        return;

    const QString fileName =
        QFileDialog::getSaveFileName(this, QStringLiteral("导出历史数据"),
                                     CsvReport::suggestedFileName(QDateTime::currentDateTime()),
                                     QStringLiteral("CSV 文件 (*.csv)"));
    if (fileName.isEmpty())
        return;

    // A database that cannot be read must not leave a report that looks complete, nor
    // replace an existing file with one.
    bool read = false;
    const QList<HistoryRecord> records = HistoryStore::all(db, &read);
    if (!read) {
        QMessageBox::critical(this, QStringLiteral("错误"),
                              QStringLiteral("无法读取历史数据库，报告未生成！"));
        return;
    }
    switch (CsvReport::write(fileName, records)) {
    case CsvReport::Result::OpenFailed:
        QMessageBox::critical(this, QStringLiteral("错误"),
                              QStringLiteral("无法创建文件进行写入！"));
        return;
    case CsvReport::Result::WriteFailed:
        QMessageBox::critical(this, QStringLiteral("错误"),
                              QStringLiteral("写入文件时出错，数据报告不完整！"));
        return;
    case CsvReport::Result::Written:
        break;
    }

    appendLog(QStringLiteral("[系统] 历史数据已成功导出至: ") + LogName::inPlainLine(fileName));
    QMessageBox::information(this, QStringLiteral("导出成功"),
                             QStringLiteral("数据报告已成功生成！"));
}

void MainWindow::onBtnSyncHistoryClicked()
{
    if (!isConnected || !serialPort->isOpen()) {
        appendLog(QStringLiteral("[警告] 串口未就绪，无法同步历史数据！"));
        return;
    }
    if (HistoryDownload::running(historyDownload()))
        return;

    if (!historyWatchesPort) {
        // Whoever closes the port (a rescan, a link fault) ends a running download with it.
        // The watchdog, not the window, receives: see initDatabase().
        connect(serialPort, &QIODevice::aboutToClose, historyWatchdog,
                [this] { runHistoryStep(HistoryDownload::linkFailed(historyDownload())); });
        historyWatchesPort = true;
    }

    pollTimer->stop();
    autoTestTimer->stop();

    // The local records stay until the instrument has answered the count: a silent instrument
    // must not cost the operator the history.
    showHistoryDownloadRunning(true);
    historyStoreFailures = 0;
    runHistoryStep(HistoryDownload::start(historyDownload()));
}

bool MainWindow::sendHistoryCountRequest()
{
    return serialPort->write(commandBytes(protocol::Command::RequestRecordCount)) != -1;
}

void MainWindow::processHistoryCountFrame(const unsigned char *frame)
{
    if (!awaitingHistoryCount)
        return;
    historyWatchdog->stop();

    // Without a database there is nothing to empty; the start-up said why. A store that cannot
    // be emptied is left as it was rather than mixed with the new records.
    if (db.isOpen()) {
        if (!HistoryStore::clear(db)) {
            appendLog(QStringLiteral("[错误] 本地旧数据清理失败（数据库可能被占用或只读），"
                                     "同步已中止，本地历史记录保持不变。"));
            runHistoryStep(HistoryDownload::stop(historyDownload()));
            return;
        }
        currentPage = 1;
        updatePagination();
        appendLog(QStringLiteral("[数据库] 同步前已清理本地旧数据。"));
    }
    runHistoryStep(HistoryDownload::frameArrived(historyDownload(), frame));
}

bool MainWindow::requestNextHistoryRecord()
{
    const auto code = static_cast<std::uint16_t>(historyIndex);
    if (serialPort->write(commandBytes(protocol::RequestRecord(code))) == -1)
        return false;
    // On the line now rather than when the event loop next runs: the record that came may be
    // about to wait for the disk.
    serialPort->flush();
    return true;
}

void MainWindow::processHistoryDataFrame(const unsigned char *frame)
{
    if (!isSyncingHistory)
        return;
    historyWatchdog->stop();
    runHistoryStep(HistoryDownload::frameArrived(historyDownload(), frame));
}

void MainWindow::runHistoryStep(const DownloadStep &step)
{
    if (step.note)
        appendLog(noteLine(*step.note, historyDownload()));
    bool sent = true;
    if (step.send) {
        sent = *step.send == protocol::Command::RequestRecordCount ? sendHistoryCountRequest()
                                                                   : requestNextHistoryRecord();
    }
    if (sent && step.countAsked)
        appendLog(QStringLiteral("[同步] 正在向设备请求历史记录总数..."));
    if (const std::optional<HistoryRecord> &record = step.store) {
        insertHistoryRecord(record->record_index, record->data_type, record->avg_value,
                            record->max_value, record->min_value, record->unit, record->battery,
                            false);
    }
    // A port that failed while the request went out has ended the download meanwhile.
    const bool endedMeanwhile = step.send && !HistoryDownload::running(historyDownload());
    if (step.progress && historyTotal > 0 && !endedMeanwhile) {
        progressSync->setMaximum(historyTotal);
        progressSync->setValue(*step.progress);
        progressSync->show();
    }
    if (!sent) {
        handleSerialError(QSerialPort::ResourceError);
        runHistoryStep(HistoryDownload::linkFailed(historyDownload()));
        return;
    }
    if (endedMeanwhile)
        return;
    if (step.wait)
        historyWatchdog->start();
    if (step.end)
        historyDownloadEnded(*step.end, step.stoppedAt);
}

void MainWindow::onHistoryWatchdogTimeout()
{
    DownloadState &state = historyDownload();
    runHistoryStep(isConnected && serialPort->isOpen() ? HistoryDownload::timedOut(state)
                                                       : HistoryDownload::linkFailed(state));
}

void MainWindow::historyDownloadEnded(DownloadEnd end, int stoppedAt)
{
    switch (end) {
    case DownloadEnd::Completed:
        endHistoryDownload();
        // An instrument without records has said so already.
        if (historyTotal == 0)
            break;
        if (historyStoreFailures == 0)
            appendLog(QStringLiteral("[同步] 历史记录全部同步完毕并已安全入库！"));
        else
            appendLog(QStringLiteral("[错误] 历史记录同步完毕，但有 %1 条记录未能入库！")
                          .arg(historyStoreFailures));
        currentPage = 1;
        updatePagination();
        break;
    case DownloadEnd::Stopped:
        // The window stops a download only when its store cannot take it, and says so then.
        endHistoryDownload();
        break;
    case DownloadEnd::NoAnswer:
    case DownloadEnd::LinkLost: {
        const QString cause = end == DownloadEnd::NoAnswer ? QStringLiteral("设备多次无应答")
                                                           : QStringLiteral("通信链路已断开");
        // Before the count the local records have not been touched.
        if (stoppedAt == 0) {
            appendLog(QStringLiteral(
                          "[同步] %1，同步已中止：未能获取历史记录总数，本地历史记录保持不变。")
                          .arg(cause));
        } else {
            appendLog(QStringLiteral(
                          "[同步] %1，同步已中止于第 %2 / %3 条记录，已入库的 %4 条记录予以保留。")
                          .arg(cause)
                          .arg(stoppedAt)
                          .arg(historyTotal)
                          .arg(HistoryStore::count(db)));
        }
        endHistoryDownload();
        if (stoppedAt > 0) {
            currentPage = 1;
            updatePagination();
        }
        // Without the link there is nothing to poll.
        if (end == DownloadEnd::LinkLost)
            return;
        break;
    }
    }
    pollTimer->start(PollIntervalMs);
}

void MainWindow::endHistoryDownload()
{
    historyWatchdog->stop();
    showHistoryDownloadRunning(false);
}

void MainWindow::showHistoryDownloadRunning(bool running)
{
    btnSyncHistory->setEnabled(!running);
    btnSyncHistory->setText(running ? QStringLiteral("同步中...")
                                    : QStringLiteral("🔄 同步设备数据"));
    // Clearing mid-download would delete the records fetched so far and the instrument's own;
    // exporting would write a partial report.
    btnClearHistory->setEnabled(!running);
    btnExport->setEnabled(!running);
    if (!running)
        progressSync->hide();
}
