#include "portcatalogue.h"

#include <QSerialPortInfo>
#include <QtTest>

namespace
{

// What the system lists in these tests, whatever ports this machine has.
const QList<PortEntry> SystemPorts = {
    {QStringLiteral("ttyS0"), QStringLiteral("/dev/ttyS0"), QStringLiteral("serial")},
    {QStringLiteral("ttyUSB3"), QStringLiteral("/dev/ttyUSB3"), QStringLiteral("adapter")}};

/// Each entry as "name at location", so whole lists compare at once.
QStringList described(const QList<PortEntry> &ports)
{
    QStringList lines;
    for (const PortEntry &port : ports)
        lines.append(port.portName + QStringLiteral(" at ") + port.systemLocation);
    return lines;
}

} // namespace

class TestPortCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        PortCatalogue::setSystemPortLister([] { return SystemPorts; });
    }

    void cleanup()
    {
        PortCatalogue::setSystemPortLister({});
        qunsetenv("TELVORO_EXTRA_PORTS");
    }

    void extraPortsComeFirstInOrder()
    {
#ifdef Q_OS_WIN
        const QString value = QStringLiteral(";COM9;;\\\\.\\COM12;");
        const QStringList extra = {QStringLiteral("COM9"), QStringLiteral("\\\\.\\COM12")};
#else
        const QString value = QStringLiteral(":/dev/pts/7::/tmp/sim link:");
        const QStringList extra = {QStringLiteral("/dev/pts/7"), QStringLiteral("/tmp/sim link")};
#endif
        qputenv("TELVORO_EXTRA_PORTS", value.toUtf8());
        QList<PortEntry> expected;
        for (const QString &path : extra)
            expected.append({path, path, QString()});
        QCOMPARE(described(PortCatalogue::availablePorts()), described(expected + SystemPorts));
    }

    void unsetOrEmptyGivesTheSystemList()
    {
        for (const bool set : {false, true}) {
            if (set)
                qputenv("TELVORO_EXTRA_PORTS", "");
            else
                qunsetenv("TELVORO_EXTRA_PORTS");
            QCOMPARE(described(PortCatalogue::availablePorts()), described(SystemPorts));
        }
    }

    // A lister replaces the system's list; without one the catalogue lists what Qt finds.
    void systemListCanBeReplaced()
    {
        qputenv("TELVORO_EXTRA_PORTS", "/dev/pts/9");
        PortCatalogue::setSystemPortLister([] {
            return QList<PortEntry>{{QStringLiteral("ttyX"), QStringLiteral("/dev/ttyX"), {}}};
        });
        QList<PortEntry> ports = PortCatalogue::availablePorts();
        QCOMPARE(ports.size(), 2);
        QCOMPARE(ports[0].portName, QStringLiteral("/dev/pts/9"));
        QCOMPARE(ports[1].systemLocation, QStringLiteral("/dev/ttyX"));

        PortCatalogue::setSystemPortLister({});
        QList<PortEntry> expected = {
            {QStringLiteral("/dev/pts/9"), QStringLiteral("/dev/pts/9"), {}}};
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            expected.append({info.portName(), info.systemLocation(), info.description()});
        QCOMPARE(described(PortCatalogue::availablePorts()), described(expected));
    }

    // The legacy console counts ports from 1: the extra ports first, then the system's; on
    // Windows those are COM1, COM2... by number, whatever is plugged in.
    void numberedPortsPutTheExtraPortsFirst()
    {
        PortCatalogue::setSystemPortLister([] {
            return QList<PortEntry>{{QStringLiteral("COM7"), QStringLiteral("\\\\.\\COM7"), {}}};
        });
        for (const bool extra : {false, true}) {
            const QString first = QStringLiteral("/tmp/sim-one");
            const QString second = QStringLiteral("/tmp/sim-two");
            if (extra)
                qputenv("TELVORO_EXTRA_PORTS",
                        (first + PortCatalogue::extraPortSeparator() + second).toUtf8());
            else
                qunsetenv("TELVORO_EXTRA_PORTS");
            const QList<PortEntry> ports = PortCatalogue::numberedPorts();
            const qsizetype skipped = extra ? 2 : 0;
            if (extra) {
                QCOMPARE(ports[0].systemLocation, first);
                QCOMPARE(ports[1].systemLocation, second);
            }
#ifdef Q_OS_WIN
            QCOMPARE(ports.size(), skipped + 256);
            for (int n = 1; n <= 16; ++n)
                QCOMPARE(ports[skipped + n - 1].systemLocation, QStringLiteral("COM%1").arg(n));
#else
            QCOMPARE(ports.size(), skipped + 1);
            QCOMPARE(ports[skipped].portName, QStringLiteral("COM7"));
#endif
        }
        qunsetenv("TELVORO_EXTRA_PORTS");
        PortCatalogue::setSystemPortLister({});
    }

    void portsAreShownByTheNameUsersKnow_data()
    {
        QTest::addColumn<QString>("portName");
        QTest::addColumn<QString>("systemLocation");
        QTest::addColumn<QString>("shown");
#ifdef Q_OS_WIN
        QTest::newRow("system port") << "COM3"
                                     << "\\\\.\\COM3"
                                     << "COM3";
        QTest::newRow("extra port") << "\\\\.\\COM12"
                                    << "\\\\.\\COM12"
                                    << "\\\\.\\COM12";
#else
        QTest::newRow("system port") << "ttyUSB0"
                                     << "/dev/ttyUSB0"
                                     << "/dev/ttyUSB0";
        QTest::newRow("extra port") << "/dev/pts/4"
                                    << "/dev/pts/4"
                                    << "/dev/pts/4";
#endif
    }

    void portsAreShownByTheNameUsersKnow()
    {
        QFETCH(QString, portName);
        QFETCH(QString, systemLocation);
        QFETCH(QString, shown);
        QCOMPARE(PortCatalogue::shownName({portName, systemLocation, QString()}), shown);
    }
};

QTEST_GUILESS_MAIN(TestPortCatalogue)
#include "test_portcatalogue.moc"
