#include "knownframes.h"
#include "protocol.h"

#include <QtTest>

using namespace protocol;

Q_DECLARE_METATYPE(knownframes::Frame)

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void commandEncoding_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("wire");
        const struct {
            const char *name;
            CommandCode code;
            const char *hex;
        } rows[] = {
            {"RequestReading", Command::RequestReading, "6465ea60"},
            {"SingleTest", Command::SingleTest, "6465eeb7"},
            {"BuzzerOff", Command::BuzzerOff, "6465f744"},
            {"BuzzerOn", Command::BuzzerOn, "6465f74f"},
            {"RequestRecordCount", Command::RequestRecordCount, "6465f765"},
            {"LineResistanceCheck", Command::LineResistanceCheck, "6465f770"},
            {"BacklightOff", Command::BacklightOff, "6465fb90"},
            {"BacklightOn", Command::BacklightOn, "6465fb9b"},
            {"Probe", Command::Probe, "6465fba6"},
            {"ClearRecords", Command::ClearRecords, "6465fbbc"},
            {"RequestRecord 1", RequestRecord(1), "64650001"},
            {"RequestRecord 300", RequestRecord(300), "6465012c"},
            {"RequestRecord 10000", RequestRecord(10000), "64652710"},
        };
        for (const auto &r : rows)
            QTest::newRow(r.name) << int(r.code) << QByteArray::fromHex(r.hex);
    }

    void commandEncoding()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, wire);
        const CommandFrame frame = buildCommand(CommandCode(code));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame.data()), 4), wire);
        CommandCode parsed = 0;
        QVERIFY(parseCommand(frame.data(), parsed));
        QCOMPARE(int(parsed), code);
    }

    void parseCommandRejectsOtherPrefixes()
    {
        const std::uint8_t bytes[][4] = {{0x65, 0x64, 0xEA, 0x60}, {0x64, 0x64, 0xEA, 0x60}};
        for (const auto &b : bytes) {
            CommandCode code = 0;
            QVERIFY(!parseCommand(b, code));
        }
    }

    void checksumIsLowByteOfSum()
    {
        std::uint8_t allFF[11] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
        QCOMPARE(int(checksum(allFF)), (10 * 0xFF) & 0xFF);
        std::uint8_t zeros[11] = {};
        QVERIFY(checkFrame(zeros));
        zeros[10] = 1;
        QVERIFY(!checkFrame(zeros));
        QCOMPARE(int(checksum(HandshakeReply.data())), 0xA4);
        QVERIFY(isHandshakeReply(knownframes::Handshake.data()));
    }

    void everySingleBitErrorIsCaughtInTheChecksumByte()
    {
        for (int bit = 0; bit < 8; ++bit) {
            knownframes::Frame f = knownframes::ReadingOhms;
            f[10] ^= std::uint8_t(1u << bit);
            QVERIFY(!checkFrame(f.data()));
        }
    }

    void modeByteSplits()
    {
        QCOMPARE(splitMode(0x12).kind, 1);
        QCOMPARE(splitMode(0x12).decimals, 2);
        QCOMPARE(splitMode(0xF0).kind, 15);
        QCOMPARE(splitMode(0x0F).decimals, 15);
    }

    void buildFrameRoundTrips()
    {
        const InstrumentFrame f = buildFrame(0x31, 0x01, 123, 150, 100, 3);
        QVERIFY(std::equal(f.begin(), f.end(), knownframes::RecordThreeKiloOhms.begin()));
        QCOMPARE(readValue(f.data(), Value::A), std::uint16_t(123));
        QCOMPARE(readValue(f.data(), Value::B), std::uint16_t(150));
        QCOMPARE(readValue(f.data(), Value::C), std::uint16_t(100));
        QCOMPARE(readMarker(f.data()), std::uint16_t(3));
    }

    // The documented frames, read by both consoles' rules.
    void knownFrames_data()
    {
        QTest::addColumn<knownframes::Frame>("frame");
        QTest::addColumn<bool>("modernReading");
        QTest::addColumn<bool>("legacyReading");
        QTest::addColumn<bool>("legacyCount");
        QTest::addColumn<QString>("kindText");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("avg");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("min");

        QTest::newRow("reading ohms") << knownframes::ReadingOhms << true << true << false
                                      << "接地电阻" << "Ω" << 12.34 << 13.0 << 12.0;
        QTest::newRow("reading over range")
            << knownframes::ReadingOverRange << true << true << false << "接地电阻" << "Ω"
            << OverRangeValue << OverRangeValue << OverRangeValue;
        QTest::newRow("count") << knownframes::CountFive << false << false << true << QString()
                               << QString() << 5.0 << 0.0 << 0.0;
        QTest::newRow("record 3 kilo-ohms")
            << knownframes::RecordThreeKiloOhms << false << false << false << "接地电阻" << "kΩ"
            << 12.3 << 15.0 << 10.0;
        knownframes::Frame c5 = knownframes::ReadingOhms;
        c5[8] = 0xC5;
        c5[10] = checksum(c5.data());
        QTest::newRow("marker C5 00") << c5 << true << false << false << "接地电阻" << "Ω"
                                      << 12.34 << 13.0 << 12.0;
        QTest::newRow("negative DC")
            << toFrame(buildFrame(0x51, 0, 250, 250, 250, ReadingMarker)) << true << true
            << false << "直流电压" << "V" << -25.0 << 25.0 << 25.0;
        QTest::newRow("negative DC over range")
            << toFrame(buildFrame(0x50, 0, OverRangeRaw, 1, 1, ReadingMarker)) << true << true
            << false << "直流电压" << "V" << OverRangeValue << 1.0 << 1.0;
        QTest::newRow("AC") << toFrame(buildFrame(0x20, 0, 230, 0, 0, 0xDFFF)) << true << false
                            << false << "交流电压" << "V" << 230.0 << 0.0 << 0.0;
        QTest::newRow("DC positive")
            << toFrame(buildFrame(0x43, 0, 1234, 0, 0, 0xBFFF)) << false << false << false
            << "直流电压" << "V" << 1.234 << 0.0 << 0.0;
        QTest::newRow("kind 6 is nothing")
            << toFrame(buildFrame(0x60, 0, 1, 2, 3, ReadingMarker)) << true << true << false
            << QString() << QString() << 1.0 << 2.0 << 3.0;
        QTest::newRow("15 decimals")
            << toFrame(buildFrame(0x1F, 0, 65535, 0, 0, 0xE000)) << false << false << true
            << "接地电阻" << "Ω" << 65535e-15 << 0.0 << 0.0;
    }

    void knownFrames()
    {
        QFETCH(knownframes::Frame, frame);
        QVERIFY(checkFrame(frame.data()));
        QTEST(isModernReadingFrame(frame.data()), "modernReading");
        QTEST(isLegacyReadingFrame(frame.data()), "legacyReading");
        QTEST(isLegacyCountFrame(frame.data()), "legacyCount");

        const auto kind = describeKind(splitMode(frame[0]).kind);
        QFETCH(QString, kindText);
        QFETCH(QString, unit);
        QCOMPARE(kind.has_value(), !kindText.isNull());
        if (kind) {
            QCOMPARE(QString::fromUtf8(kind->text), kindText);
            QCOMPARE(QString::fromUtf8(kind->unit), unit);
        }
        const ModernValues v = decodeModernValues(frame.data());
        QTEST(v.avg, "avg");
        QTEST(v.max, "max");
        QTEST(v.min, "min");
    }

    void overRangeIgnoresDecimals()
    {
        for (int n = 0; n < 16; ++n)
            QCOMPARE(decodeValue(OverRangeRaw, n), OverRangeValue);
        QVERIFY(isOverRange(OverRangeValue));
        QVERIFY(!isOverRange(65535.0));
        QCOMPARE(decodeValue(9999, 0), 9999.0);
        QCOMPARE(decodeValue(10001, 1), 1000.1);
    }

private:
    static knownframes::Frame toFrame(const InstrumentFrame &f)
    {
        knownframes::Frame out;
        std::copy(f.begin(), f.end(), out.begin());
        return out;
    }
};

QTEST_APPLESS_MAIN(TestProtocol)
#include "test_protocol.moc"
