// A whole session of the modern console with an instrument on a real serial port: the window
// finds it, polls it, downloads its history into TestHistory.db in the working folder, and
// says once that the link is lost when the instrument goes away. scripts/test-windows.sh runs
// it under Wine (the simulator on a COM port) and on Linux (the simulator on a pseudo-terminal)
// and compares what the two stored.
//
// Environment: TELVORO_SESSION_PORT     the port the console must find ("COM5", or a device)
//              TELVORO_SESSION_RECORDS  how many records the instrument holds
// The driver ends the instrument once the file "unplug" appears in the working folder.
#include "historysync.h"
#include "mainwindowprobe.h"
#include "modaldriver.h"
#include "protocol.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace
{

constexpr int FindMs = 90000;
constexpr int AnswerMs = 20000;
const QString AllStored = QStringLiteral("[同步] 历史记录全部同步完毕并已安全入库！");
const QString FatalLine = QStringLiteral("[致命] 通信链路物理层异常断开！");

/// The port name QSerialPort gives `location`, as the window's port reports it.
QString portNameOf(const QString &location)
{
    QSerialPort port;
    port.setPortName(location);
    return port.portName();
}

} // namespace

class TestConsoleSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!port.isEmpty(), "TELVORO_SESSION_PORT names no port");
        QVERIFY2(records > 0, "TELVORO_SESSION_RECORDS is not a count");
        // A pseudo-terminal is reached through TELVORO_EXTRA_PORTS alone; a COM port is found
        // among the system's ports, as an operator's console finds it.
        if (!qEnvironmentVariableIsEmpty("TELVORO_EXTRA_PORTS"))
            listOnlyExtraPorts();
        QFile::remove(QStringLiteral("TestHistory.db"));
        window = std::make_unique<MainWindow>();
        window->show();
    }

    void findsTheInstrument()
    {
        QVERIFY(QTest::qWaitFor([this] { return MainWindowProbe::isConnected(*window); }, FindMs));
        QCOMPARE(MainWindowProbe::serialPort(*window)->portName(), portNameOf(port));
    }

    void pollsOnceASecond()
    {
        QTimer *poll = MainWindowProbe::pollTimer(*window);
        QVERIFY(poll->isActive());
        QCOMPARE(poll->interval(), 1000);
        // Each answered poll adds a point to the trend; three in a row show the polling alive.
        const int before = MainWindowProbe::chartPointCount(*window);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(QTest::qWaitFor(
            [&] { return MainWindowProbe::chartPointCount(*window) >= before + 3; }, AnswerMs));
        qInfo("three readings in %lld ms", clock.elapsed());
        QCOMPARE(MainWindowProbe::labelHugeData(*window)->text(), QStringLiteral("12.34 Ω"));
    }

    void downloadsTheHistory()
    {
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(MainWindowProbe::btnSyncHistory(*window), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([this] { return !historySyncIdle(*window); }, AnswerMs));
        QVERIFY(QTest::qWaitFor([this] { return historySyncIdle(*window); },
                                AnswerMs + records * 200));
        // What the download rate benchmark of the driver reads.
        qInfo("downloaded %d records in %lld ms", records, clock.elapsed());
        QVERIFY2(logMessages(*window).contains(AllStored),
                 qPrintable(logMessages(*window).join(u'\n')));
        QSqlQuery count(MainWindowProbe::db(*window));
        QVERIFY(count.exec(QStringLiteral("SELECT COUNT(*) FROM HistoryData")) && count.next());
        QCOMPARE(count.value(0).toInt(), records);
    }

    void saysOnceThatTheLinkIsLost()
    {
        ModalDriver dialogs;
        dialogs.thenClick(QMessageBox::Ok);
        QFile unplug(QStringLiteral("unplug"));
        QVERIFY(unplug.open(QIODevice::WriteOnly));
        unplug.close();
        QVERIFY(QTest::qWaitFor([&] { return dialogs.seen.size() == 1; }, AnswerMs));
        // The box is answered and the fault handled to its end: the port selector says so.
        QVERIFY(QTest::qWaitFor(
            [this] {
                return !QApplication::activeModalWidget() &&
                       MainWindowProbe::comboPort(*window)->currentText() ==
                           QStringLiteral("请检查线缆并重新扫描...");
            },
            AnswerMs));
        QCOMPARE(dialogs.seen.constFirst().title, QStringLiteral("物理连接丢失"));
        QCOMPARE(dialogs.seen.size(), 1);
        QCOMPARE(logMessages(*window).count(FatalLine), 1);
        QVERIFY(!MainWindowProbe::isConnected(*window));
    }

    void cleanupTestCase() { window.reset(); }

private:
    const QString port = qEnvironmentVariable("TELVORO_SESSION_PORT");
    const int records = qEnvironmentVariableIntValue("TELVORO_SESSION_RECORDS");
    std::unique_ptr<MainWindow> window;
};

QTEST_MAIN(TestConsoleSession)
#include "test_consolesession.moc"
