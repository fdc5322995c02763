#include "portcatalogue.h"

#include <QSerialPortInfo>
#include <QtTest>

class TestPortCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void extraPortsComeFirstInOrder()
    {
#ifdef Q_OS_WIN
        const QString value = QStringLiteral(";COM9;;\\\\.\\COM12;");
        const QStringList expected = {QStringLiteral("COM9"), QStringLiteral("\\\\.\\COM12")};
#else
        const QString value = QStringLiteral(":/dev/pts/7::/tmp/sim link:");
        const QStringList expected = {QStringLiteral("/dev/pts/7"),
                                      QStringLiteral("/tmp/sim link")};
#endif
        qputenv("TELVORO_EXTRA_PORTS", value.toUtf8());
        const QList<PortEntry> ports = PortCatalogue::availablePorts();
        QVERIFY(ports.size() >= expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(ports[i].portName, expected[i]);
            QCOMPARE(ports[i].systemLocation, expected[i]);
        }
        QCOMPARE(ports.size(), expected.size() + QSerialPortInfo::availablePorts().size());
    }

    void unsetOrEmptyGivesTheSystemList()
    {
        for (const bool set : {false, true}) {
            if (set)
                qputenv("TELVORO_EXTRA_PORTS", "");
            else
                qunsetenv("TELVORO_EXTRA_PORTS");
            const QList<PortEntry> ports = PortCatalogue::availablePorts();
            const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
            QCOMPARE(ports.size(), system.size());
            for (int i = 0; i < system.size(); ++i)
                QCOMPARE(ports[i].portName, system[i].portName());
        }
    }

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
        ports = PortCatalogue::availablePorts();
        QCOMPARE(ports.size(), 1 + QSerialPortInfo::availablePorts().size());
        qunsetenv("TELVORO_EXTRA_PORTS");
    }
};

QTEST_GUILESS_MAIN(TestPortCatalogue)
#include "test_portcatalogue.moc"
