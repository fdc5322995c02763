#pragma once

// Reaches the history state of a real MainWindow, built in a temporary working directory so
// its TestHistory.db never touches the repository.

#include "mainwindowprobe.h"
#include "workingdir.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <memory>
