#pragma once

#include "historydownload.h"
#include "portcatalogue.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QSerialPort>
#include <QSqlDatabase>
#include <QString>

class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGraphicsLineItem;
class QGraphicsOpacityEffect;
class QGraphicsTextItem;
class QLabel;
class QLineSeries;
class QProgressBar;
class QPropertyAnimation;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTextEdit;
class QTimer;
class QValueAxis;

// The history download's state (`awaitingHistoryCount`, `isSyncingHistory`, `historyTotal`,
// `historyIndex`) is the one the download rule steps on, so the window holds it as its own.
class MainWindow : public QMainWindow, private DownloadState
{
    Q_OBJECT
    // Tests reach the private state the way the other parts of the console do.
    friend struct MainWindowProbe;

public:
    explicit MainWindow(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void onResDisplayModeChanged(int index);
    void startAutoScan();
    void scanNextPort();
    void onSerialReadyRead();
    void onHandshakeTimeout();
    void requestRealTimeData();
    void processRealTimeData(const QByteArray &data);
    void onBtnAutoTestToggled(bool checked);
    void onAutoTestTimerTimeout();
    void onBtnCalibrateClicked();
    void onBtnSingleTestClicked();
    void onBtnBLOnClicked();
    void onBtnBLOffClicked();
    void onBtnBeepOnClicked();
    void onBtnBeepOffClicked();
    void onBtnPrevPageClicked();
    void onBtnNextPageClicked();
    void onBtnClearHistoryClicked();
    void onBtnExportClicked();
    void onBtnSyncHistoryClicked();
    void handleSerialError(QSerialPort::SerialPortError error);

private:
    void setupUi();
    void loadStyleSheet();
    void initChart();
    void initAlarmSystem();
    void initDatabase();
    void appendLog(const QString &message);
    void triggerAlarm(bool on);
    void sendHexCommand(const QString &name, const QByteArray &frame);
    /// Writes the request for record `historyIndex`, pushed to the line at once; false when it
    /// could not be written.
    bool requestNextHistoryRecord();
    void processHistoryDataFrame(const unsigned char *frame);
    void processHistoryCountFrame(const unsigned char *frame);
    void insertHistoryRecord(int recordIndex, const QString &dataType, double avgValue,
                             double maxValue, double minValue, const QString &unit, int battery,
                             bool refreshTable);
    void updatePagination();

    QTabWidget *tabWidget = nullptr;
    QWidget *pageRealtime = nullptr;
    QComboBox *comboResDisplayMode = nullptr;
    QLabel *labelMode = nullptr;
    QLabel *labelHugeData = nullptr;
    QComboBox *comboPort = nullptr;
    QPushButton *btnScan = nullptr;
    QSpinBox *spinAutoTestPeriod = nullptr;
    QPushButton *btnAutoTest = nullptr;
    QPushButton *btnSingleTest = nullptr;
    QWidget *pageHistory = nullptr;
    QTableWidget *tableHistory = nullptr;
    QTextEdit *textLog = nullptr;

    double latestAvg = 0;
    double latestMax = 0;
    double latestMin = 0;
    double latestVoltage = 0;
    int decimalPlaces = 0;
    QString resistanceUnit = QStringLiteral("Ω");
    bool isVoltageMode = false;

    QSerialPort *serialPort = nullptr;
    QTimer *handshakeTimer = nullptr;
    // What the port catalogue lists: pseudo-terminals cannot be QSerialPortInfo objects.
    QList<PortEntry> portList;
    int scanIndex = 0;
    bool isConnected = false;
    QByteArray rxBuffer;
    QTimer *pollTimer = nullptr;
    QTimer *autoTestTimer = nullptr;

    QChart *chart = nullptr;
    QChartView *chartView = nullptr;
    QLineSeries *seriesMax = nullptr;
    QLineSeries *seriesMin = nullptr;
    QLineSeries *seriesAvg = nullptr;
    QValueAxis *axisX = nullptr;
    QValueAxis *axisY = nullptr;
    int chartPointCount = 0;
    QGraphicsLineItem *hoverLine = nullptr;
    QGraphicsTextItem *hoverTooltip = nullptr;

    QCheckBox *chkAlarmEnable = nullptr;
    QDoubleSpinBox *spinAlarmThreshold = nullptr;
    QWidget *alarmOverlay = nullptr;
    QPropertyAnimation *alarmAnimation = nullptr;
    QGraphicsOpacityEffect *alarmEffect = nullptr;
    bool isAlarmActive = false;

    QPushButton *btnPrevPage = nullptr;
    QLabel *labelPage = nullptr;
    QPushButton *btnNextPage = nullptr;
    QPushButton *btnClearHistory = nullptr;
    QPushButton *btnExport = nullptr;
    QSqlDatabase db;
    int currentPage = 1;
    int pageSize = 10;
    int totalPages = 1;

    QPushButton *btnSyncHistory = nullptr;
    QProgressBar *progressSync = nullptr;

    // Alarm area additions.
    /// Lowers a raised alarm; while connected, logs `logLine` and switches the buzzer off.
    void lowerAlarm(const QString &logLine);

    // Link area additions.
    void dispatchFrame(const unsigned char *frame);
    void acceptHandshake();
    void appendChartPoint(double avgOhms, double maxOhms, double minOhms);
    QString scannedPortName() const;

    // History area additions.
    DownloadState &historyDownload() { return *this; }
    bool sendHistoryCountRequest();
    /// Does what one step of the download rule asks: logs, sends, stores, shows the progress,
    /// waits for the answer or ends the download.
    void runHistoryStep(const DownloadStep &step);
    void onHistoryWatchdogTimeout();
    /// After the download has ended: the log line, the table and the polling it leaves.
    void historyDownloadEnded(DownloadEnd end, int stoppedAt);
    /// Leaves a download however it ends: watchdog stopped, controls restored.
    void endHistoryDownload();
    /// While a download runs, the sync, clear and export buttons take no clicks.
    void showHistoryDownloadRunning(bool running);
    // Re-requests a count or record that did not come within a second, a few times.
    QTimer *historyWatchdog = nullptr;
    bool historyWatchesPort = false;
    // Records of the running download that the database refused.
    int historyStoreFailures = 0;
};
