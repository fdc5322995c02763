// Record pages: the page builder as text, the navigation rules, the boxes' font and the
// navigation buttons on the form.
#include "legacyfonts.h"
#include "recordpage.h"
#include "recordsprobe.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTest>

using namespace legacy;

namespace
{

const QString Gap(6, u' ');
const QString EmptyRow = QString(30, u' ');

QStringList linesOf(const QString &text)
{
    QStringList lines = text.split(QStringLiteral("\r\n"));
    // Every line ends with CR LF, so the split leaves one empty piece after the last.
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

QString row(const QString &label, const QString &max, const QString &min, const QString &avg,
            const QString &volt)
{
    return label + Gap + max + Gap + min + Gap + avg + Gap + volt + Gap;
}

} // namespace

class TestLegacyPages : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        state = std::make_unique<LegacyState>();
        resetOnLoad(*state);
    }

    void groupLabels_data();
    void groupLabels();
    void pageOfThirtyRecords();
    void pagesOfHundredRecords_data();
    void pagesOfHundredRecords();
    void rowLayoutByType_data();
    void rowLayoutByType();
    void emptySlotsPadWithTheLastRecordLaidOut();
    void everyLineEndsWithCrLf();
    void numbersPastTheStoreAreEmptyRows();
    void navigation_data();
    void navigation();
    void jumps_data();
    void jumps();

    void boxFontPutsOneHanOnTwoBlanks();
    void buttonsShowPagesAndRewriteTheBox();

private:
    std::unique_ptr<LegacyState> state;
};

void TestLegacyPages::groupLabels_data()
{
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("label");
    QTest::newRow("0") << qint64(0) << "第000组";
    QTest::newRow("7") << qint64(7) << "第007组";
    QTest::newRow("56") << qint64(56) << "第056组";
    QTest::newRow("100") << qint64(100) << "第100组";
    QTest::newRow("1234") << qint64(1234) << "第1234组";
}

void TestLegacyPages::groupLabels()
{
    QFETCH(qint64, number);
    QFETCH(QString, label);
    QCOMPARE(groupLabel(number), label);
}

void TestLegacyPages::pageOfThirtyRecords()
{
    downloadRecords(*state, 30);
    const RecordPage page = buildRecordPage(*state, 1, plainValue);
    const QStringList left = linesOf(page.left);
    const QStringList right = linesOf(page.right);
    QCOMPARE(left.size(), 26);
    QCOMPARE(right.size(), 26);
    QCOMPARE(left[0], QStringLiteral("          第1 页"));
    QCOMPARE(left[1], QStringLiteral("   组数     最大值     最小值    平均值    电压值    "));
    QCOMPARE(right[0], QString());
    QCOMPARE(right[1], left[1]);
    for (int i = 0; i < 24; ++i)
        QVERIFY2(left[2 + i].startsWith(groupLabel(i + 1)), qPrintable(left[2 + i]));
    for (int i = 0; i < 6; ++i)
        QVERIFY2(right[2 + i].startsWith(groupLabel(25 + i)), qPrintable(right[2 + i]));
    for (int i = 8; i < 26; ++i)
        QCOMPARE(right[i], EmptyRow);
    // Record 1: maximum 1001 -> 10.01Ω, minimum 2001 -> 20.01Ω, average 1 -> 0.01Ω.
    QCOMPARE(left[2], row("第001组", "10.01Ω", "20.01Ω", "   0.01Ω", "    -----"));
}

void TestLegacyPages::pagesOfHundredRecords_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("present");
    QTest::newRow("page 2") << 2 << 49 << 48;
    QTest::newRow("page 3") << 3 << 97 << 4;
}

void TestLegacyPages::pagesOfHundredRecords()
{
    QFETCH(int, page);
    QFETCH(int, first);
    QFETCH(int, present);
    downloadRecords(*state, 100);
    QCOMPARE(state->pageCount, 3);
    const RecordPage text = buildRecordPage(*state, qint16(page), plainValue);
    QCOMPARE(linesOf(text.left)[0], QString(10, u' ') + QStringLiteral("第%1 页").arg(page));
    QStringList rows = linesOf(text.left).mid(2) + linesOf(text.right).mid(2);
    QCOMPARE(rows.size(), 48);
    for (int i = 0; i < 48; ++i) {
        if (i < present)
            QVERIFY2(rows[i].startsWith(groupLabel(first + i)), qPrintable(rows[i]));
        else
            QCOMPARE(rows[i], EmptyRow);
    }
}

void TestLegacyPages::rowLayoutByType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("avg");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two decimals") << 0x12 << 1234 << 56 << 300
                                  << row("第007组", "12.34Ω", "    0.56Ω", "  3.00Ω", "    -----");
    QTest::newRow("whole ohms") << 0x10 << 250 << 5 << 10000
                                << row("第007组", "  250Ω", "      5Ω", "   OL  Ω", "    -----");
    QTest::newRow("voltage") << 0x20 << 231 << 229 << 230
                             << row("第007组", "-----", "-----", "----- ", "230v");
    QTest::newRow("unknown kind") << 0x40 << 500 << 400 << 450
                                  << row("第007组", "500", "400", "450", "450");
}

void TestLegacyPages::rowLayoutByType()
{
    QFETCH(int, type);
    QFETCH(int, max);
    QFETCH(int, min);
    QFETCH(int, avg);
    QFETCH(QString, expected);
    putRecord(*state, 7, quint8(type), max, min, avg);
    const QStringList left = linesOf(buildRecordPage(*state, 1, plainValue).left);
    QCOMPARE(left[2 + 6], expected);
}

void TestLegacyPages::emptySlotsPadWithTheLastRecordLaidOut()
{
    // Clearing keeps the type codes: empty slots of type 0x12 still get the padder's blanks,
    // counted from the raw values of the last present record before them (0 before any).
    state->recType[1] = 0x12;
    putRecord(*state, 2, 0x12, 1234, 56, 300);
    state->recType[3] = 0x12;
    const QStringList left = linesOf(buildRecordPage(*state, 1, plainValue).left);
    QCOMPARE(left[2], row("", " ", "  ", "  ", "    -----"));
    QCOMPARE(left[4], row("", "", "    ", "  ", "    -----"));
}

void TestLegacyPages::everyLineEndsWithCrLf()
{
    downloadRecords(*state, 3);
    const RecordPage page = buildRecordPage(*state, 1, plainValue);
    for (const QString &text : {page.left, page.right}) {
        QVERIFY(text.endsWith(QStringLiteral("\r\n")));
        QCOMPARE(text.count(QStringLiteral("\r\n")), 26);
        QCOMPARE(text.count(u'\n'), 26);
    }
}

void TestLegacyPages::numbersPastTheStoreAreEmptyRows()
{
    putRecord(*state, 10000, 0x12, 1234, 56, 300);
    const QStringList left = linesOf(buildRecordPage(*state, 209, plainValue).left);
    QCOMPARE(left[0], QStringLiteral("          第209 页"));
    QCOMPARE(left[2], EmptyRow); // 9985, never downloaded
    QVERIFY(left[2 + 15].startsWith(QStringLiteral("第10000组")));
    for (int i = 2 + 16; i < left.size(); ++i)
        QCOMPARE(left[i], EmptyRow);
    const QStringList right = linesOf(buildRecordPage(*state, 30000, plainValue).right);
    QCOMPARE(right.size(), 26);
    QCOMPARE(right.constLast(), EmptyRow);
}

void TestLegacyPages::navigation_data()
{
    QTest::addColumn<int>("curPage");
    QTest::addColumn<int>("pageCount");
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("next");
    QTest::newRow("middle") << 2 << 3 << 1 << 3;
    QTest::newRow("last page stays") << 3 << 3 << 2 << 3;
    QTest::newRow("first page stays") << 1 << 3 << 1 << 2;
    QTest::newRow("no pages") << 1 << 0 << 1 << 1;
}

void TestLegacyPages::navigation()
{
    QFETCH(int, curPage);
    QFETCH(int, pageCount);
    QFETCH(int, previous);
    QFETCH(int, next);
    QCOMPARE(previousPage(qint16(curPage)), previous);
    QCOMPARE(nextPage(qint16(curPage), pageCount), next);
}

void TestLegacyPages::jumps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pageCount");
    QTest::addColumn<bool>("jumps");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("rewrite");
    QTest::newRow("within") << "2" << 3 << true << 2 << QString();
    QTest::newRow("zero") << "0" << 3 << true << 1 << "1";
    QTest::newRow("negative") << "-4" << 3 << true << 1 << "1";
    QTest::newRow("past the last") << "9" << 3 << true << 3 << "3";
    QTest::newRow("no pages") << "5" << 0 << true << 1 << "1";
    QTest::newRow("blanks around") << " 2 " << 3 << true << 2 << QString();
    QTest::newRow("not a number") << "abc" << 3 << false << 0 << QString();
    QTest::newRow("empty") << "" << 3 << false << 0 << QString();
    QTest::newRow("fraction") << "1.5" << 3 << false << 0 << QString();
    QTest::newRow("past 16 bits") << "40000" << 3 << false << 0 << QString();
}

void TestLegacyPages::jumps()
{
    QFETCH(QString, text);
    QFETCH(int, pageCount);
    QFETCH(bool, jumps);
    QFETCH(int, page);
    QFETCH(QString, rewrite);
    const std::optional<PageJump> jump = jumpToPage(text, pageCount);
    QCOMPARE(jump.has_value(), jumps);
    if (!jump)
        return;
    QCOMPARE(jump->page, page);
    QCOMPARE(jump->rewrite.value_or(QString()), rewrite);
}

void TestLegacyPages::boxFontPutsOneHanOnTwoBlanks()
{
    withoutPorts();
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    const QFont font = Form1Probe::box(form, 1)->font();
    QCOMPARE(QFontInfo(font).family(), legacyfonts::songFamily());
    QVERIFY2(legacyfonts::hanIsTwoBlanks(font), qPrintable(legacyfonts::songFamily()));
    // On the screen too: whole pixels, one han as wide as two blanks.
    const QFontMetrics metrics(font);
    QCOMPARE(metrics.horizontalAdvance(QStringLiteral("组")), 2 * metrics.horizontalAdvance(u' '));
    QCOMPARE(metrics.horizontalAdvance(QStringLiteral("0")), metrics.horizontalAdvance(u' '));
}

void TestLegacyPages::buttonsShowPagesAndRewriteTheBox()
{
    withoutPorts();
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    downloadRecords(*state, 100);
    auto *left = Form1Probe::box(form, 1);
    auto *pageBox = control<QLineEdit>(form, "Text1");
    const auto firstRow = [&] { return left->toPlainText().split(u'\n').value(2); };
    const auto click = [&](const char *name) { control<QPushButton>(form, name)->click(); };

    click("Command13");
    QCOMPARE(state->curPage, 2);
    QVERIFY(firstRow().startsWith(QStringLiteral("第049组")));
    click("Command13");
    click("Command13");
    QCOMPARE(state->curPage, 3);
    QVERIFY(firstRow().startsWith(QStringLiteral("第097组")));
    QCOMPARE(pageBox->text(), QStringLiteral("1")); // paging leaves the box alone

    pageBox->setText(QStringLiteral("0"));
    click("Command14");
    QCOMPARE(pageBox->text(), QStringLiteral("1"));
    QCOMPARE(state->curPage, 1);
    QVERIFY(firstRow().startsWith(QStringLiteral("第001组")));
    click("Command12");
    QCOMPARE(state->curPage, 1);

    pageBox->setText(QStringLiteral("7"));
    click("Command14");
    QCOMPARE(pageBox->text(), QStringLiteral("3"));
    QCOMPARE(state->curPage, 3);

    pageBox->setText(QStringLiteral("x"));
    click("Command14");
    QCOMPARE(state->curPage, 3);
    QCOMPARE(pageBox->text(), QStringLiteral("x"));
    QVERIFY(left->toPlainText().startsWith(QStringLiteral("          第3 页\n")));
}

QTEST_MAIN(TestLegacyPages)
#include "test_legacy_pages.moc"
