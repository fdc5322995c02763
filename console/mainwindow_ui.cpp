// Window layout, style sheet and log panel.
#include "mainwindow.h"

#include "historycell.h"

#include <QAbstractItemView>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTime>
#include <QVBoxLayout>

void MainWindow::setupUi()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("CentralWidget"));
    setCentralWidget(central);
    auto *centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(10, 10, 10, 10);
    centralLayout->setSpacing(10);

    tabWidget = new QTabWidget(central);
    pageRealtime = new QWidget;
    pageHistory = new QWidget;
    tabWidget->addTab(pageRealtime, QStringLiteral("⚡ 实时监测"));
    tabWidget->addTab(pageHistory, QStringLiteral("📊 历史数据"));

    // Live page: reading and chart on the left, the controls in a fixed-width panel on the right.
    auto *realtimeLayout = new QHBoxLayout(pageRealtime);
    auto *leftColumn = new QVBoxLayout;

    auto *readingGroup = new QGroupBox(QStringLiteral("最新请求数据"));
    auto *readingLayout = new QVBoxLayout(readingGroup);
    auto *modeRow = new QHBoxLayout;
    labelMode = new QLabel(QStringLiteral("当前模式: 等待数据..."));
    labelMode->setStyleSheet(QStringLiteral("color: #AAAAAA; font-weight: bold;"));
    comboResDisplayMode = new QComboBox;
    comboResDisplayMode->addItems({QStringLiteral("显示: 平均电阻"),
                                   QStringLiteral("显示: 最大电阻"),
                                   QStringLiteral("显示: 最小电阻")});
    comboResDisplayMode->setEnabled(false);
    modeRow->addWidget(labelMode);
    modeRow->addStretch();
    modeRow->addWidget(comboResDisplayMode);
    labelHugeData = new QLabel(QStringLiteral("---"));
    labelHugeData->setObjectName(QStringLiteral("HugeDataLabel"));
    labelHugeData->setAlignment(Qt::AlignCenter);
    readingLayout->addLayout(modeRow);
    readingLayout->addWidget(labelHugeData);
    readingLayout->addStretch();
    connect(comboResDisplayMode, &QComboBox::currentIndexChanged, this,
            &MainWindow::onResDisplayModeChanged);

    auto *chartGroup = new QGroupBox(QStringLiteral("实时电阻趋势图"));
    auto *chartLayout = new QVBoxLayout(chartGroup);
    initChart();
    chartLayout->addWidget(chartView);

    leftColumn->addWidget(readingGroup, 1);
    leftColumn->addWidget(chartGroup, 3);

    auto *rightPanel = new QWidget;
    rightPanel->setFixedWidth(340);
    auto *rightLayout = new QVBoxLayout(rightPanel);
    rightLayout->setContentsMargins(0, 0, 0, 0);

    auto *linkGroup = new QGroupBox(QStringLiteral("通信连接"));
    auto *linkLayout = new QVBoxLayout(linkGroup);
    comboPort = new QComboBox;
    comboPort->addItem(QStringLiteral("自动扫描串口..."));
    btnScan = new QPushButton(QStringLiteral("重新扫描/握手"));
    btnScan->setObjectName(QStringLiteral("BtnPrimary"));
    linkLayout->addWidget(comboPort);
    linkLayout->addWidget(btnScan);
    rightLayout->addWidget(linkGroup);

    auto *autoTestGroup = new QGroupBox(QStringLiteral("自动测试"));
    auto *autoTestLayout = new QVBoxLayout(autoTestGroup);
    auto *periodRow = new QHBoxLayout;
    spinAutoTestPeriod = new QSpinBox;
    spinAutoTestPeriod->setRange(1, 3600);
    spinAutoTestPeriod->setValue(10);
    periodRow->addWidget(new QLabel(QStringLiteral("周期(秒):")));
    periodRow->addWidget(spinAutoTestPeriod);
    btnAutoTest = new QPushButton(QStringLiteral("▶ 开始自动测试"));
    btnAutoTest->setObjectName(QStringLiteral("BtnStart"));
    btnAutoTest->setCheckable(true);
    autoTestLayout->addLayout(periodRow);
    autoTestLayout->addWidget(btnAutoTest);
    connect(btnAutoTest, &QPushButton::toggled, this, &MainWindow::onBtnAutoTestToggled);
    rightLayout->addWidget(autoTestGroup);

    auto *manualGroup = new QGroupBox(QStringLiteral("手动控制"));
    auto *manualLayout = new QGridLayout(manualGroup);
    auto *btnCalibrate = new QPushButton(QStringLiteral("线阻校验"));
    btnSingleTest = new QPushButton(QStringLiteral("单次测试"));
    auto *btnBLOn = new QPushButton(QStringLiteral("开背光"));
    auto *btnBLOff = new QPushButton(QStringLiteral("关背光"));
    auto *btnBeepOn = new QPushButton(QStringLiteral("开蜂鸣器"));
    auto *btnBeepOff = new QPushButton(QStringLiteral("关蜂鸣器"));
    manualLayout->addWidget(btnCalibrate, 0, 0);
    manualLayout->addWidget(btnSingleTest, 0, 1);
    manualLayout->addWidget(btnBLOn, 1, 0);
    manualLayout->addWidget(btnBLOff, 1, 1);
    manualLayout->addWidget(btnBeepOn, 2, 0);
    manualLayout->addWidget(btnBeepOff, 2, 1);
    connect(btnCalibrate, &QPushButton::clicked, this, &MainWindow::onBtnCalibrateClicked);
    connect(btnSingleTest, &QPushButton::clicked, this, &MainWindow::onBtnSingleTestClicked);
    connect(btnBLOn, &QPushButton::clicked, this, &MainWindow::onBtnBLOnClicked);
    connect(btnBLOff, &QPushButton::clicked, this, &MainWindow::onBtnBLOffClicked);
    connect(btnBeepOn, &QPushButton::clicked, this, &MainWindow::onBtnBeepOnClicked);
    connect(btnBeepOff, &QPushButton::clicked, this, &MainWindow::onBtnBeepOffClicked);
    rightLayout->addWidget(manualGroup);

    auto *alarmGroup = new QGroupBox(QStringLiteral("安全报警系统"));
    alarmGroup->setObjectName(QStringLiteral("AlarmGroup"));
    auto *alarmLayout = new QVBoxLayout(alarmGroup);
    auto *thresholdRow = new QHBoxLayout;
    spinAlarmThreshold = new QDoubleSpinBox;
    spinAlarmThreshold->setRange(0, 30000);
    spinAlarmThreshold->setValue(150);
    thresholdRow->addWidget(new QLabel(QStringLiteral("阈值(Ω):")));
    thresholdRow->addWidget(spinAlarmThreshold);
    chkAlarmEnable = new QCheckBox(QStringLiteral("开启超限报警"));
    alarmLayout->addLayout(thresholdRow);
    alarmLayout->addWidget(chkAlarmEnable);
    rightLayout->addWidget(alarmGroup);

    rightLayout->addStretch();
    realtimeLayout->addLayout(leftColumn);
    realtimeLayout->addWidget(rightPanel);

    // History page: the table and one row of paging and record actions.
    auto *historyLayout = new QVBoxLayout(pageHistory);
    tableHistory = new QTableWidget(0, HistoryCells::ColumnCount);
    tableHistory->setHorizontalHeaderLabels(HistoryCells::headers());
    tableHistory->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    tableHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    historyLayout->addWidget(tableHistory);

    auto *historyRow = new QHBoxLayout;
    btnPrevPage = new QPushButton(QStringLiteral("上一页"));
    labelPage = new QLabel(QStringLiteral(" 第 1 / 1 页 "));
    labelPage->setAlignment(Qt::AlignCenter);
    btnNextPage = new QPushButton(QStringLiteral("下一页"));
    btnClearHistory = new QPushButton(QStringLiteral("🗑️ 清除记录"));
    btnExport = new QPushButton(QStringLiteral("📁 导出 CSV"));
    btnExport->setObjectName(QStringLiteral("BtnPrimary"));
    btnSyncHistory = new QPushButton(QStringLiteral("🔄 同步设备数据"));
    btnSyncHistory->setObjectName(QStringLiteral("BtnStart"));
    progressSync = new QProgressBar;
    progressSync->setRange(0, 100);
    progressSync->setValue(0);
    progressSync->setTextVisible(true);
    progressSync->hide();
    historyRow->addWidget(btnPrevPage);
    historyRow->addWidget(labelPage);
    historyRow->addWidget(btnNextPage);
    historyRow->addStretch();
    historyRow->addWidget(btnClearHistory);
    historyRow->addWidget(btnExport);
    historyRow->addWidget(btnSyncHistory);
    historyRow->addWidget(progressSync);
    historyLayout->addLayout(historyRow);
    connect(btnPrevPage, &QPushButton::clicked, this, &MainWindow::onBtnPrevPageClicked);
    connect(btnNextPage, &QPushButton::clicked, this, &MainWindow::onBtnNextPageClicked);
    connect(btnClearHistory, &QPushButton::clicked, this, &MainWindow::onBtnClearHistoryClicked);
    connect(btnExport, &QPushButton::clicked, this, &MainWindow::onBtnExportClicked);
    connect(btnSyncHistory, &QPushButton::clicked, this, &MainWindow::onBtnSyncHistoryClicked);

    auto *logGroup = new QGroupBox(QStringLiteral("通信日志简报"));
    logGroup->setFixedHeight(150);
    auto *logLayout = new QVBoxLayout(logGroup);
    textLog = new QTextEdit;
    textLog->setReadOnly(true);
    logLayout->addWidget(textLog);
    // Everything after this point may log.
    appendLog(QStringLiteral("系统启动，等待扫描串口..."));

    centralLayout->addWidget(tabWidget);
    centralLayout->addWidget(logGroup);

    initAlarmSystem();
}

void MainWindow::loadStyleSheet()
{
    // The sheet lives in the library; referencing its resource keeps the linker from dropping it.
    Q_INIT_RESOURCE(console);
    QFile sheet(QStringLiteral(":/style.qss"));
    if (!sheet.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // A flashing overlay keeps covering the whole window; a hidden one is sized when it shows.
    if (alarmOverlay && !alarmOverlay->isHidden())
        alarmOverlay->setGeometry(0, 0, width(), height());
}

void MainWindow::appendLog(const QString &message)
{
    // QTextEdit::append decides per line whether it is rich text and keeps a scrolled-up view.
    textLog->append(QTime::currentTime().toString(QStringLiteral("[hh:mm:ss] ")) + message);
}
