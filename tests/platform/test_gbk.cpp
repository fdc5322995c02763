// GBK as the legacy console writes its record file, on Windows through code page 936 and
// elsewhere through Qt's converter: both must give the same bytes.
#include "gbk.h"

#include <QtTest>

class TestGbk : public QObject
{
    Q_OBJECT

private slots:
    void encodes_data();
    void encodes();
};

void TestGbk::encodes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ascii and line ends")
        << QStringLiteral("No. 12\r\n") << QByteArray("No. 12\r\n");
    QTest::newRow("record text") << QStringLiteral("第1组 接地电阻 0.35Ω")
                                 << QByteArray::fromHex(
                                        "b5da31d7e920bdd3b5d8b5e7d7e820302e3335a6b8");
    QTest::newRow("pinyin letter and dash")
        << QStringLiteral("é—") << QByteArray::fromHex("a8a6a1aa");
    QTest::newRow("euro sign of code page 936") << QStringLiteral("€") << QByteArray("\x80");

    // A character GBK lacks is one '?', never a look-alike: code page 936's best fit would
    // write "à" for "À", "é" for "É", "2" for "²", the full-width "￥" for "¥".
    QTest::newRow("letters with look-alikes") << QStringLiteral("ÀÉ²¥ª") << QByteArray("?????");
    QTest::newRow("letters without") << QStringLiteral("ñßøÅ") << QByteArray("????");
    QTest::newRow("signs GBK lacks") << QStringLiteral("©™•") << QByteArray("???");
    QTest::newRow("character beyond the BMP") << QStringLiteral("a😀b") << QByteArray("a?b");
    QTest::newRow("lone surrogate")
        << (QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b")) << QByteArray("a?b");
    QTest::newRow("mixed") << QStringLiteral("电阻 ñ 😀 Ω")
                           << QByteArray::fromHex("b5e7d7e8203f203f20a6b8");
}

void TestGbk::encodes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(gbk::encode(text).toHex(' '), bytes.toHex(' '));
}

QTEST_GUILESS_MAIN(TestGbk)
#include "test_gbk.moc"
