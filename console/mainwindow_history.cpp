// History database, table pages, download, clearing and CSV export.
#include "mainwindow.h"

#include "commandbytes.h"
#include "csvreport.h"
#include "historycell.h"
#include "historydownload.h"
#include "historypaging.h"
#include "historystore.h"
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

// The log panel renders a line as HTML once it holds something tag-like, so a file name with a
// '<' would lose characters. Escaped, the line is taken as HTML and reads as the name.
QString nameForLog(const QString &name)
{
    return name.contains(u'<') ? name.toHtmlEscaped() : name;
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

    appendLog(QStringLiteral("[系统] 历史数据已成功导出至: ") + nameForLog(fileName));
    QMessageBox::information(this, QStringLiteral("导出成功"),
                             QStringLiteral("数据报告已成功生成！"));
}

void MainWindow::onBtnSyncHistoryClicked()
{
    if (!isConnected || !serialPort->isOpen()) {
        appendLog(QStringLiteral("[警告] 串口未就绪，无法同步历史数据！"));
        return;
    }
    if (awaitingHistoryCount || isSyncingHistory)
        return;

    if (!historyWatchesPort) {
        // Whoever closes the port (a rescan, a link fault) ends a running download with it.
        // The watchdog, not the window, receives: see initDatabase().
        connect(serialPort, &QIODevice::aboutToClose, historyWatchdog,
                [this] { stopHistoryDownload(HistoryStop::LinkLost); });
        historyWatchesPort = true;
    }

    pollTimer->stop();
    autoTestTimer->stop();

    // The local records stay until the instrument has answered the count: a silent instrument
    // must not cost the operator the history.
    showHistoryDownloadRunning(true);
    awaitingHistoryCount = true;
    historyRetries = 0;
    historyStoreFailures = 0;
    sendHistoryCountRequest();
}

void MainWindow::sendHistoryCountRequest()
{
    if (serialPort->write(commandBytes(protocol::Command::RequestRecordCount)) == -1) {
        handleSerialError(QSerialPort::ResourceError);
        stopHistoryDownload(HistoryStop::LinkLost);
        return;
    }
    if (historyRetries == 0)
        appendLog(QStringLiteral("[同步] 正在向设备请求历史记录总数..."));
    historyWatchdog->start();
}

void MainWindow::processHistoryCountFrame(const unsigned char *frame)
{
    if (!awaitingHistoryCount)
        return;
    historyWatchdog->stop();
    historyRetries = 0;

    const int count = protocol::readValue(frame, protocol::Value::A);
    awaitingHistoryCount = false;
    historyTotal = count;

    // Without a database there is nothing to empty; the start-up said why. A store that cannot
    // be emptied is left as it was rather than mixed with the new records.
    if (db.isOpen()) {
        if (!HistoryStore::clear(db)) {
            appendLog(QStringLiteral("[错误] 本地旧数据清理失败（数据库可能被占用或只读），"
                                     "同步已中止，本地历史记录保持不变。"));
            endHistoryDownload();
            pollTimer->start(1000);
            return;
        }
        currentPage = 1;
        updatePagination();
        appendLog(QStringLiteral("[数据库] 同步前已清理本地旧数据。"));
    }

    if (count == 0) {
        appendLog(QStringLiteral("[同步] 设备端无历史记录。"));
        endHistoryDownload();
        pollTimer->start(1000);
        return;
    }

    appendLog(QStringLiteral("[同步] 设备端共有 %1 条历史记录，开始高速同步...").arg(count));
    isSyncingHistory = true;
    historyIndex = 1;
    progressSync->setMaximum(count);
    progressSync->setValue(0);
    progressSync->show();
    requestNextHistoryRecord();
}

void MainWindow::requestNextHistoryRecord()
{
    if (!writeHistoryRequest(historyIndex)) {
        handleSerialError(QSerialPort::ResourceError);
        stopHistoryDownload(HistoryStop::LinkLost);
        return;
    }
    historyWatchdog->start();
}

bool MainWindow::writeHistoryRequest(int number)
{
    const auto code = static_cast<std::uint16_t>(number);
    if (serialPort->write(commandBytes(protocol::RequestRecord(code))) == -1)
        return false;
    // On the line now rather than when the event loop next runs: the caller may be about to
    // wait for the disk.
    serialPort->flush();
    return true;
}

void MainWindow::processHistoryDataFrame(const unsigned char *frame)
{
    if (!isSyncingHistory)
        return;
    historyWatchdog->stop();
    historyRetries = 0;

    // The next request goes out before this record is stored. Storing commits to disk, which
    // can take longer than the line needs for a whole exchange; this way the two overlap
    // instead of adding up. The requests still follow the records one by one.
    const bool last = historyIndex >= historyTotal;
    const bool requested = !last && writeHistoryRequest(historyIndex + 1);

    if (const std::optional<HistoryRecord> record = decodeHistoryRecord(frame, historyIndex)) {
        insertHistoryRecord(record->record_index, record->data_type, record->avg_value,
                            record->max_value, record->min_value, record->unit, record->battery,
                            false);
    }
    // A port that failed while the request went out has ended the download meanwhile.
    if (!isSyncingHistory)
        return;

    progressSync->setValue(historyIndex);
    ++historyIndex;
    if (last) {
        finishHistoryDownload();
    } else if (!requested) {
        handleSerialError(QSerialPort::ResourceError);
        stopHistoryDownload(HistoryStop::LinkLost);
    } else {
        historyWatchdog->start();
    }
}

void MainWindow::finishHistoryDownload()
{
    endHistoryDownload();
    if (historyStoreFailures == 0)
        appendLog(QStringLiteral("[同步] 历史记录全部同步完毕并已安全入库！"));
    else
        appendLog(QStringLiteral("[错误] 历史记录同步完毕，但有 %1 条记录未能入库！")
                      .arg(historyStoreFailures));
    currentPage = 1;
    updatePagination();
    pollTimer->start(1000);
}

void MainWindow::onHistoryWatchdogTimeout()
{
    if (!awaitingHistoryCount && !isSyncingHistory)
        return;
    if (!isConnected || !serialPort->isOpen()) {
        stopHistoryDownload(HistoryStop::LinkLost);
        return;
    }
    if (historyRetries >= HistoryMaxRetries) {
        stopHistoryDownload(HistoryStop::NoAnswer);
        return;
    }

    ++historyRetries;
    if (awaitingHistoryCount) {
        appendLog(QStringLiteral("[同步] 等待记录总数应答超时，重新请求 (%1/%2)...")
                      .arg(historyRetries)
                      .arg(HistoryMaxRetries));
        sendHistoryCountRequest();
    } else {
        appendLog(QStringLiteral("[同步] 第 %1 条记录应答超时，重新请求 (%2/%3)...")
                      .arg(historyIndex)
                      .arg(historyRetries)
                      .arg(HistoryMaxRetries));
        requestNextHistoryRecord();
    }
}

void MainWindow::stopHistoryDownload(HistoryStop why)
{
    if (!awaitingHistoryCount && !isSyncingHistory)
        return;

    const QString cause = why == HistoryStop::NoAnswer ? QStringLiteral("设备多次无应答")
                                                       : QStringLiteral("通信链路已断开");
    // Before the count the local records have not been touched.
    const bool recordsCame = isSyncingHistory;
    if (awaitingHistoryCount) {
        appendLog(
            QStringLiteral("[同步] %1，同步已中止：未能获取历史记录总数，本地历史记录保持不变。")
                .arg(cause));
    } else {
        appendLog(
            QStringLiteral("[同步] %1，同步已中止于第 %2 / %3 条记录，已入库的 %4 条记录予以保留。")
                .arg(cause)
                .arg(historyIndex)
                .arg(historyTotal)
                .arg(HistoryStore::count(db)));
    }

    endHistoryDownload();
    if (recordsCame) {
        currentPage = 1;
        updatePagination();
    }
    if (why == HistoryStop::NoAnswer)
        pollTimer->start(1000);
}

void MainWindow::endHistoryDownload()
{
    historyWatchdog->stop();
    awaitingHistoryCount = false;
    isSyncingHistory = false;
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
