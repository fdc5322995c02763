// History database, table pages, download, clearing and CSV export.
#include "mainwindow.h"

void MainWindow::initDatabase() {}

void MainWindow::insertHistoryRecord(int, const QString &, double, double, double,
                                     const QString &, int, bool)
{
}

void MainWindow::updatePagination() {}

void MainWindow::onBtnPrevPageClicked() {}

void MainWindow::onBtnNextPageClicked() {}

void MainWindow::onBtnClearHistoryClicked() {}

void MainWindow::onBtnExportClicked() {}

void MainWindow::onBtnSyncHistoryClicked() {}

void MainWindow::requestNextHistoryRecord() {}

void MainWindow::processHistoryDataFrame(const unsigned char *) {}

void MainWindow::processHistoryCountFrame(const unsigned char *) {}
