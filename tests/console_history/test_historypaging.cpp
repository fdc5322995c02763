// The history page's paging: which page a count of records and a requested page come to.
#include "historypaging.h"

#include <QtTest>

class TestHistoryPaging : public QObject
{
    Q_OBJECT

private slots:
    void paging_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("offset");
        QTest::newRow("empty") << 0 << 1 << 1 << 1 << 0;
        QTest::newRow("empty, stale page") << 0 << 3 << 1 << 1 << 0;
        QTest::newRow("one record") << 1 << 1 << 1 << 1 << 0;
        QTest::newRow("exactly ten") << 10 << 1 << 1 << 1 << 0;
        QTest::newRow("ten, page 2 clamps") << 10 << 2 << 1 << 1 << 0;
        QTest::newRow("eleven, page 2") << 11 << 2 << 2 << 2 << 10;
        QTest::newRow("page beyond the end shows the last") << 25 << 9 << 3 << 3 << 20;
        QTest::newRow("page below 1") << 25 << 0 << 3 << 1 << 0;
        QTest::newRow("middle page stays") << 25 << 2 << 3 << 2 << 10;
    }

    void paging()
    {
        QFETCH(int, count);
        QFETCH(int, requested);
        const HistoryPage page = HistoryPaging::clamp(count, 10, requested);
        QTEST(page.totalPages, "total");
        QTEST(page.currentPage, "current");
        QTEST(page.offset, "offset");
    }

    void pageLabel() { QCOMPARE(HistoryPaging::label(2, 13), QStringLiteral(" 第 2 / 13 页 ")); }
};

QTEST_APPLESS_MAIN(TestHistoryPaging)
#include "test_historypaging.moc"
