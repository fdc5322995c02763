#include "knownframes.h"
#include "livereading.h"
#include "protocol.h"

#include <QtTest>

using protocol::buildFrame;

namespace
{

QByteArray bytes(const protocol::InstrumentFrame &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
}

LiveReading decode(const QByteArray &frame)
{
    return decodeLiveReading(reinterpret_cast<const unsigned char *>(frame.constData()));
}

constexpr double OL = protocol::OverRangeValue;

} // namespace

class TestLiveReading : public QObject
{
    Q_OBJECT

private slots:
    void decodesResistance_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("modeText");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QList<double>>("ohms");

        QTest::newRow("ohms, two decimals")
            << bytes(knownframes::ReadingOhms) << QStringLiteral("当前模式: 接地电阻 (Ω)")
            << QStringLiteral("Ω") << 2 << QList<double>{12.34, 13.0, 12.0}
            << QList<double>{12.34, 13.0, 12.0};
        QTest::newRow("kilo-ohms are scaled to ohms")
            << bytes(buildFrame(0x32, 0, 1234, 1300, 1200, 0xC000))
            << QStringLiteral("当前模式: 接地电阻 (kΩ)") << QStringLiteral("kΩ") << 2
            << QList<double>{12.34, 13.0, 12.0} << QList<double>{12340, 13000, 12000};
        QTest::newRow("over range kilo-ohms stay over range")
            << bytes(buildFrame(0x31, 0, 123, 10000, 100, 0xC000))
            << QStringLiteral("当前模式: 接地电阻 (kΩ)") << QStringLiteral("kΩ") << 1
            << QList<double>{12.3, OL, 10.0} << QList<double>{12300, OL, 10000};
        QTest::newRow("over range in all three")
            << bytes(knownframes::ReadingOverRange) << QStringLiteral("当前模式: 接地电阻 (Ω)")
            << QStringLiteral("Ω") << 1 << QList<double>{OL, OL, OL} << QList<double>{OL, OL, OL};
        QTest::newRow("marker C5 00 is a reading")
            << bytes(buildFrame(0x10, 0, 7, 8, 6, 0xC500))
            << QStringLiteral("当前模式: 接地电阻 (Ω)") << QStringLiteral("Ω") << 0
            << QList<double>{7, 8, 6} << QList<double>{7, 8, 6};
    }

    void decodesResistance()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, modeText);
        QFETCH(QString, unit);
        QFETCH(int, decimals);
        QFETCH(QList<double>, values);
        QFETCH(QList<double>, ohms);

        const LiveReading r = decode(frame);
        QCOMPARE(r.kind, LiveReading::Kind::Resistance);
        QCOMPARE(r.modeText, modeText);
        QCOMPARE(r.unit, unit);
        QCOMPARE(r.decimals, decimals);
        QCOMPARE((QList<double>{r.avg, r.max, r.min}), values);
        QCOMPARE((QList<double>{r.avgOhms, r.maxOhms, r.minOhms}), ohms);
    }

    void decodesVoltage_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("modeText");
        QTest::addColumn<double>("voltage");
        QTest::addColumn<QString>("text");

        QTest::newRow("AC 230.5 V")
            << bytes(buildFrame(0x21, 0, 2305, 0, 0, 0xC000))
            << QStringLiteral("当前模式: 交流电压 (V)") << 230.5 << QStringLiteral("230.5 V");
        QTest::newRow("DC kind 4 keeps its sign")
            << bytes(buildFrame(0x42, 0, 1234, 0, 0, 0xC000))
            << QStringLiteral("当前模式: 直流电压 (V)") << 12.34 << QStringLiteral("12.34 V");
        QTest::newRow("DC kind 5 is negative")
            << bytes(buildFrame(0x52, 0, 1234, 9, 9, 0xC000))
            << QStringLiteral("当前模式: 直流电压 (V)") << -12.34 << QStringLiteral("-12.34 V");
        QTest::newRow("kind 4 over range")
            << bytes(buildFrame(0x41, 0, 10000, 0, 0, 0xC000))
            << QStringLiteral("当前模式: 直流电压 (V)") << OL << QStringLiteral("OL");
        QTest::newRow("kind 5 over range is not negated")
            << bytes(buildFrame(0x51, 0, 10000, 0, 0, 0xC000))
            << QStringLiteral("当前模式: 直流电压 (V)") << OL << QStringLiteral("OL");
        QTest::newRow("no decimals")
            << bytes(buildFrame(0x20, 0, 220, 0, 0, 0xC000))
            << QStringLiteral("当前模式: 交流电压 (V)") << 220.0 << QStringLiteral("220 V");
    }

    void decodesVoltage()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, modeText);
        QFETCH(double, voltage);
        QFETCH(QString, text);

        const LiveReading r = decode(frame);
        QCOMPARE(r.kind, LiveReading::Kind::Voltage);
        QCOMPARE(r.modeText, modeText);
        QCOMPARE(r.voltage, voltage);
        QCOMPARE(r.voltageText, text);
    }

    // Frames that change nothing on screen still set the decimal places.
    void ignoredFramesOnlySetDecimals_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("decimals");

        QTest::newRow("kind 0") << bytes(buildFrame(0x03, 0, 1, 1, 1, 0xC000)) << 3;
        QTest::newRow("kind 6") << bytes(buildFrame(0x62, 0, 1, 1, 1, 0xC000)) << 2;
        QTest::newRow("kind 15") << bytes(buildFrame(0xF9, 0, 1, 1, 1, 0xC000)) << 9;
        QTest::newRow("count marker") << bytes(knownframes::CountFive) << 0;
        QTest::newRow("record marker") << bytes(knownframes::RecordThreeKiloOhms) << 1;
    }

    void ignoredFramesOnlySetDecimals()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, decimals);
        const LiveReading r = decode(frame);
        QCOMPARE(r.kind, LiveReading::Kind::None);
        QCOMPARE(r.decimals, decimals);
    }

    // The check runs on the decoded average in ohms, so the frame is part of the case.
    void alarmRequest_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("active");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<int>("request"); // -1 nothing, 0 clear, 1 raise

        const QByteArray ohms14999 = bytes(buildFrame(0x12, 0, 14999, 0, 0, 0xC000));
        const QByteArray ohms15000 = bytes(buildFrame(0x12, 0, 15000, 0, 0, 0xC000));
        const QByteArray kilo = bytes(buildFrame(0x32, 0, 1234, 1300, 1200, 0xC000));
        const QByteArray over = bytes(knownframes::ReadingOverRange);

        QTest::newRow("149.99 below 150 clears") << ohms14999 << true << true << 150.0 << 0;
        QTest::newRow("150.00 at 150 raises") << ohms15000 << true << false << 150.0 << 1;
        QTest::newRow("12.34 kilo-ohms against 150 ohms") << kilo << true << false << 150.0 << 1;
        QTest::newRow("12.34 kilo-ohms against 20000 ohms") << kilo << true << true << 20000.0 << 0;
        QTest::newRow("over range beats the highest threshold")
            << over << true << false << 30000.0 << 1;
        QTest::newRow("switched off clears a raised alarm") << over << false << true << 150.0 << 0;
        QTest::newRow("switched off and clear: nothing") << over << false << false << 150.0 << -1;
    }

    void alarmRequest()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, enabled);
        QFETCH(bool, active);
        QFETCH(double, threshold);
        QFETCH(int, request);

        const std::optional<bool> got =
            ::alarmRequest(enabled, active, decode(frame).avgOhms, threshold);
        QCOMPARE(got ? int(*got) : -1, request);
    }
};

QTEST_APPLESS_MAIN(TestLiveReading)
#include "test_livereading.moc"
