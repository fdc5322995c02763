// The report's rules (verdicts, summary, the trend's axis, numbers) and how its rows fill pages.
#include "reportaxis.h"
#include "reportpdf.h"
#include "reportsummary.h"

#include <QtTest>

Q_DECLARE_METATYPE(HistoryRecord)
Q_DECLARE_METATYPE(Verdict)
Q_DECLARE_METATYPE(std::optional<double>)

class TestReportUnits : public QObject
{
    Q_OBJECT

private slots:
    // A record fails at the limit itself, kΩ counts in ohms, over range always fails, and
    // voltages are never judged.
    void reportVerdicts_data()
    {
        QTest::addColumn<HistoryRecord>("record");
        QTest::addColumn<std::optional<double>>("limit");
        QTest::addColumn<Verdict>("verdict");
        const HistoryRecord ohms{1, "接地电阻", 4.0, 4.2, 3.9, "Ω", 0};
        const HistoryRecord kOhms{2, "接地电阻", 0.5, 0.6, 0.4, "kΩ", 0};
        const HistoryRecord overRange{3, "接地电阻", 999999, 999999, 999999, "kΩ", 0};
        const HistoryRecord ac{4, "交流电压", 230, 0, 0, "V", 0};
        QTest::newRow("no limit") << ohms << std::optional<double>() << Verdict::NotJudged;
        QTest::newRow("below") << ohms << std::optional<double>(4.01) << Verdict::Pass;
        QTest::newRow("at the limit") << ohms << std::optional<double>(4.0) << Verdict::Fail;
        QTest::newRow("kΩ in ohms") << kOhms << std::optional<double>(400) << Verdict::Fail;
        QTest::newRow("kΩ below") << kOhms << std::optional<double>(501) << Verdict::Pass;
        QTest::newRow("over range") << overRange << std::optional<double>(1e9) << Verdict::Fail;
        QTest::newRow("voltage") << ac << std::optional<double>(1) << Verdict::NotJudged;
    }

    void reportVerdicts()
    {
        QFETCH(HistoryRecord, record);
        QFETCH(std::optional<double>, limit);
        QTEST(ReportRules::verdict(record, limit), "verdict");
    }

    void reportSummary()
    {
        const QList<HistoryRecord> records = {
            {1, "接地电阻", 4.0, 4.2, 3.9, "Ω", 0},
            {2, "接地电阻", 0.5, 0.6, 0.4, "kΩ", 1},
            {3, "接地电阻", 999999, 999999, 999999, "Ω", 0},
            {4, "交流电压", 230, 0, 0, "V", 0},
            {5, "直流电压", -3, 0, 0, "V", 0},
            {6, "接地电阻", 20.0, 21, 19, "Ω", 0},
        };
        const ReportSummary summary = ReportRules::summarize(records, 100.0);
        QCOMPARE(summary.records, 6);
        QCOMPARE(summary.resistanceRecords, 4);
        QCOMPARE(summary.voltageRecords, 2);
        QCOMPARE(summary.overRange, 1);
        QCOMPARE(summary.lowestOhms, std::optional<double>(4.0));
        QCOMPARE(summary.highestOhms, std::optional<double>(500.0));
        QCOMPARE(summary.meanOhms, std::optional<double>(524.0 / 3));
        QCOMPARE(summary.passed, 2);
        QCOMPARE(summary.failed, 2);

        const ReportSummary noLimit = ReportRules::summarize(records, std::nullopt);
        QCOMPARE(noLimit.passed + noLimit.failed, 0);
        const ReportSummary onlyOverRange = ReportRules::summarize({records[2], records[3]}, 1.0);
        QVERIFY(!onlyOverRange.lowestOhms && !onlyOverRange.meanOhms);
        QCOMPARE(onlyOverRange.failed, 1);
    }

    // The trend's value axis turns logarithmic once the values span more than two decades,
    // the limit included; a value halfway up sits at 0.5 either way.
    void reportAxis_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<std::optional<double>>("limit");
        QTest::addColumn<bool>("logarithmic");
        QTest::addColumn<QList<double>>("ticks");
        QTest::addColumn<double>("halfway");
        QTest::newRow("ohms") << QList<double>{2, 30} << std::optional<double>() << false
                              << QList<double>{0, 10, 20, 30, 40} << 20.0;
        QTest::newRow("limit above the values") << QList<double>{2, 3} << std::optional<double>(25)
                                                << false << QList<double>{0, 10, 20, 30} << 15.0;
        QTest::newRow("a zero reading") << QList<double>{0, 0.4} << std::optional<double>() << false
                                        << QList<double>{0, 0.1, 0.2, 0.3, 0.4, 0.5} << 0.25;
        QTest::newRow("nothing above zero") << QList<double>{0} << std::optional<double>(0) << false
                                            << QList<double>{0, 0.2, 0.4, 0.6, 0.8, 1} << 0.5;
        QTest::newRow("two decades") << QList<double>{1, 100} << std::optional<double>() << false
                                     << QList<double>{0, 50, 100, 150} << 75.0;
        QTest::newRow("a kΩ reading among ohms")
            << QList<double>{2, 30, 1250} << std::optional<double>(25) << true
            << QList<double>{1, 10, 100, 1000, 10000} << 100.0;
        QTest::newRow("a limit far below the values")
            << QList<double>{800, 1250} << std::optional<double>(4) << true
            << QList<double>{1, 10, 100, 1000, 10000} << 100.0;
        QTest::newRow("below one ohm") << QList<double>{0, 0.05, 8} << std::optional<double>()
                                       << true << QList<double>{0.01, 0.1, 1, 10} << 0.316228;
    }

    void reportAxis()
    {
        QFETCH(QList<double>, values);
        QFETCH(std::optional<double>, limit);
        QFETCH(QList<double>, ticks);
        QFETCH(double, halfway);
        const TrendAxis axis = trendAxis(values, limit);
        QTEST(axis.logarithmic, "logarithmic");
        QCOMPARE(axis.ticks.size(), ticks.size());
        for (int i = 0; i < ticks.size(); ++i)
            QVERIFY2(qFuzzyCompare(1 + axis.ticks[i], 1 + ticks[i]),
                     qPrintable(QString::number(axis.ticks[i])));
        QCOMPARE(axis.bottom, ticks.front());
        QCOMPARE(axis.top, ticks.back());
        QVERIFY(qAbs(axis.fraction(halfway) - 0.5) < 1e-5);
        // Every value lies on the axis; a zero on a logarithmic one sits on its floor.
        for (const double value : values) {
            const double at = axis.fraction(value);
            QVERIFY2(at >= 0 && at <= 1, qPrintable(QString::number(value)));
        }
    }

    // A limit or a grid line is a number, however large: never "OL".
    void reportNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("tick");
        QTest::newRow("whole") << 4.0 << "4"
                               << "4";
        QTest::newRow("fraction") << 0.5 << "0.5"
                                  << "0.5";
        QTest::newRow("a megohm") << 1000000.0 << "1000000"
                                  << "1000000";
        QTest::newRow("the over-range value") << 999999.0 << "999999"
                                              << "999999";
        QTest::newRow("three steps of 0.1") << 3 * 0.1 << "0.30000000000000004"
                                            << "0.3";
        QTest::newRow("many digits") << 4.123456789 << "4.123456789"
                                     << "4.12346";
    }

    void reportNumbers()
    {
        QFETCH(double, value);
        QTEST(ReportRules::limitText(value), "limit");
        QTEST(tickText(value), "tick");
    }

    void reportPages_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("firstPage");
        QTest::addColumn<QList<int>>("pages");
        QTest::newRow("no records") << 0 << 20 << QList<int>{0};
        QTest::newRow("fits page 1") << 20 << 20 << QList<int>{20};
        QTest::newRow("one more") << 21 << 20 << QList<int>{20, 1};
        QTest::newRow("page 1 full") << 90 << 20 << QList<int>{20, 50, 20};
        QTest::newRow("no room on page 1") << 60 << 0 << QList<int>{0, 50, 10};
    }

    void reportPages()
    {
        QFETCH(int, rows);
        QFETCH(int, firstPage);
        QTEST(ReportPdf::rowsPerPage(rows, firstPage, 50), "pages");
    }
};

QTEST_GUILESS_MAIN(TestReportUnits)
#include "test_reportunits.moc"
