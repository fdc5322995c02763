// telvoro-cli report end to end: the PDF read back with poppler's pdftotext and pdfinfo.
#include "clifixture.h"
#include "historycell.h"

#include <QDate>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStandardPaths>

namespace
{

// Runs a poppler tool on `pdf`; its standard output.
QString poppler(const QString &tool, const QStringList &args)
{
    QProcess process;
    process.start(tool, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The PDF's text, page by page, each line with its runs of blanks made single.
QList<QStringList> pagesOf(const QString &pdf)
{
    QList<QStringList> pages;
    for (const QString &page :
         poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
             .split(u'\f', Qt::SkipEmptyParts)) {
        QStringList lines;
        for (const QString &line : page.split(u'\n'))
            if (!line.trimmed().isEmpty())
                lines << line.simplified();
        pages << lines;
    }
    return pages;
}

// A table row as pdftotext lays it out: the cells with single blanks between.
QString row(const QStringList &cells)
{
    return cells.join(u' ');
}

// Footers are drawn as "第 n / N 页"; pdftotext drops the blanks next to Chinese characters.
QString footer(int page, int pages)
{
    return QStringLiteral("第%1/%2页").arg(page).arg(pages);
}

QString withoutBlanks(QString text)
{
    return text.remove(u' ');
}

const QList<HistoryRecord> Mixed = {
    {1, "接地电阻", 3.52, 3.61, 3.4, "Ω", 0},
    {2, "接地电阻", 1.25, 1.3, 1.2, "kΩ", 0},
    {3, "交流电压", 229.5, 0, 0, "V", 1},
    {4, "直流电压", -12.3, 0, 0, "V", 0},
    {5, "接地电阻", 999999, 999999, 999999, "Ω", 0},
    {6, "接地电阻", 9.8, 10.2, 9.5, "Ω", 1},
};

} // namespace

class TestCliReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("poppler-utils (pdftotext, pdfinfo) are not installed");
        QVERIFY(dir.isValid());
        // The program runs as on a headless machine: no display and no platform named.
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            qunsetenv(name);
        mixedDb = dir.filePath(QStringLiteral("mixed.db"));
        writeHistory(mixedDb, Mixed);
    }

    // Header, summary and every row of mixed records, judged and not.
    void mixedRecords_data()
    {
        QTest::addColumn<QStringList>("limit");
        QTest::addColumn<QStringList>("verdicts");
        QTest::addColumn<QString>("judged");
        QTest::newRow("no limit") << QStringList() << QStringList(6)
                                  << QStringLiteral("未给出判定限值，记录不作合格判定。");
        QTest::newRow("limit 10 Ω")
            << QStringList{QStringLiteral("--limit"), QStringLiteral("10")}
            << QStringList{"合格", "不合格", "—", "—", "不合格", "合格"}
            << QStringLiteral(
                   "判定限值 10 Ω：合格 2 条，不合格 2 条（平均值不低于限值或超量程为不合格）");
    }

    void mixedRecords()
    {
        QFETCH(QStringList, limit);
        QFETCH(QStringList, verdicts);
        QFETCH(QString, judged);
        const QString pdf = dir.filePath(QStringLiteral("mixed.pdf"));
        const QString dayBefore = QDate::currentDate().toString(Qt::ISODate);
        const CliRun run = runCli(QStringList{"report", "--db", mixedDb, "-o", pdf, "--site",
                                              "西区变电站", "--operator", "李工"} +
                                      limit,
                                  QString(), dir.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty() && run.out.isEmpty(), run.err.constData());
        const QString dayAfter = QDate::currentDate().toString(Qt::ISODate);

        const QList<QStringList> pages = pagesOf(pdf);
        QCOMPARE(pages.size(), 1);
        const QStringList &text = pages.front();
        const QString all = text.join(u'\n');
        for (const QString &expected :
             {QStringLiteral("接地电阻测试报告"), QStringLiteral("测试地点：西区变电站"),
              QStringLiteral("测试人员：李工"), QStringLiteral("数据库：mixed.db"),
              QStringLiteral("记录数：6 条"),
              QStringLiteral("电阻记录 4 条（其中超量程 1 条），电压记录 2 条（只列出，不判定）"),
              QStringLiteral("电阻平均值（换算为 Ω，不含超量程）：最低 3.52 Ω，最高 1250.00 Ω，"
                             "均值 421.11 Ω"),
              judged}) {
            QVERIFY2(all.contains(expected), qPrintable(expected + "\n---\n" + all));
        }

        QStringList header = HistoryCells::headers();
        if (!limit.isEmpty())
            header << QStringLiteral("判定");
        QVERIFY2(text.contains(row(header)), qPrintable(all));
        for (int i = 0; i < Mixed.size(); ++i) {
            QStringList cells = HistoryCells::rowTexts(Mixed[i]);
            if (!limit.isEmpty())
                cells << verdicts[i];
            QVERIFY2(text.contains(row(cells)), qPrintable(row(cells) + "\n---\n" + all));
        }
        QVERIFY2(all.contains(QStringLiteral("报告日期：") + dayBefore) ||
                     all.contains(QStringLiteral("报告日期：") + dayAfter),
                 qPrintable(all));
        QVERIFY(withoutBlanks(text.back()) == footer(1, 1));

        // Every font is embedded, so the Chinese reads the same on a machine without it.
        const QStringList fonts =
            poppler(QStringLiteral("pdffonts"), {pdf}).split(u'\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString &font : fonts) {
            // name type... encoding emb sub uni object ID: "emb" is the fifth field from the end.
            const QStringList fields = font.split(u' ', Qt::SkipEmptyParts);
            QVERIFY2(fields.size() > 5 && fields[fields.size() - 5] == QStringLiteral("yes"),
                     qPrintable(font));
        }
    }

    // A history without records still makes a whole report of one page.
    void emptyHistory()
    {
        const QString db = dir.filePath(QStringLiteral("empty.db"));
        writeHistory(db, {});
        const QString pdf = dir.filePath(QStringLiteral("empty.pdf"));
        QCOMPARE(runCli({"report", "--db", db, "-o", pdf, "--limit", "4"}, QString(), dir.path())
                     .exitCode,
                 0);
        const QList<QStringList> pages = pagesOf(pdf);
        QCOMPARE(pages.size(), 1);
        const QString all = pages.front().join(u'\n');
        for (const QString &expected :
             {QStringLiteral("记录数：0 条"), QStringLiteral("最低 —，最高 —，均值 —"),
              QStringLiteral("合格 0 条，不合格 0 条"), QStringLiteral("没有量程内的电阻记录"),
              QStringLiteral("数据库中没有记录。")})
            QVERIFY2(all.contains(expected), qPrintable(expected + "\n---\n" + all));
        QCOMPARE(withoutBlanks(pages.front().back()), footer(1, 1));
    }

    // 500 records on either paper: every page repeats the table header and counts itself, every
    // record appears once and in order, and every word lies within the page's margins.
    void manyRecordsPaginate_data()
    {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<QString>("size");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::newRow("A4") << "a4"
                            << "595 x 842 pts (A4)" << 595.276 << 841.89;
        QTest::newRow("letter") << "letter"
                                << "612 x 792 pts (letter)" << 612.0 << 792.0;
    }

    void manyRecordsPaginate()
    {
        QFETCH(QString, paper);
        QFETCH(QString, size);
        QFETCH(double, width);
        QFETCH(double, height);
        const QString db = dir.filePath(QStringLiteral("many.db"));
        if (!QFile::exists(db)) {
            QList<HistoryRecord> records;
            for (int i = 1; i <= 500; ++i)
                records << HistoryRecord{i, "接地电阻", 1.0 + i, 2.0 + i, 0.5 + i, "Ω", 0};
            writeHistory(db, records);
        }
        const QString pdf = dir.filePath(QStringLiteral("many-%1.pdf").arg(paper));
        QCOMPARE(runCli({"report", "--db", db, "-o", pdf, "--paper", paper, "--limit", "100"},
                        QString(), dir.path())
                     .exitCode,
                 0);

        const QString info = poppler(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.contains(size), qPrintable(info));
        const QList<QStringList> pages = pagesOf(pdf);
        QVERIFY(pages.size() > 5);
        QVERIFY2(info.contains(QStringLiteral("Pages:           %1").arg(pages.size())),
                 qPrintable(info));
        QStringList header = HistoryCells::headers();
        header << QStringLiteral("判定");
        int next = 1;
        for (int p = 0; p < pages.size(); ++p) {
            const QStringList &lines = pages[p];
            QVERIFY2(lines.contains(row(header)), qPrintable(QString::number(p)));
            QCOMPARE(withoutBlanks(lines.back()), footer(p + 1, int(pages.size())));
            for (const QString &line : lines) {
                if (line.startsWith(QString::number(next) + QStringLiteral(" 接地电阻 ")))
                    ++next;
            }
        }
        QCOMPARE(next, 501);

        const QString boxes = poppler(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"});
        static const QRegularExpression word(QStringLiteral(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">)re"));
        const double margin = 15 / 25.4 * 72 - 0.5; // 15 mm in points, less a rounding allowance
        int words = 0;
        for (const QRegularExpressionMatch &m : word.globalMatch(boxes)) {
            ++words;
            QVERIFY2(m.captured(1).toDouble() >= margin &&
                         m.captured(3).toDouble() <= width - margin &&
                         m.captured(2).toDouble() >= margin &&
                         m.captured(4).toDouble() <= height - margin,
                     qPrintable(m.captured(0)));
        }
        QVERIFY(words > 500 * 7);
    }

    // Bad input: a message, its exit status, and no PDF (an existing one stays as it was).
    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no database") << QStringList{"--db", "missing.db"} << 4 << "missing.db";
        QTest::newRow("not a history database")
            << QStringList{"--db", "foreign.db"} << 4 << "foreign.db";
        QTest::newRow("limit not a number")
            << QStringList{"--db", "mixed.db", "--limit", "ten"} << 1 << "--limit";
        QTest::newRow("limit not finite")
            << QStringList{"--db", "mixed.db", "--limit", "nan"} << 1 << "--limit";
        QTest::newRow("negative limit")
            << QStringList{"--db", "mixed.db", "--limit", "-1"} << 1 << "--limit";
        QTest::newRow("unknown paper")
            << QStringList{"--db", "mixed.db", "--paper", "a3"} << 1 << "--paper";
    }

    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "foreign");
            db.setDatabaseName(dir.filePath(QStringLiteral("foreign.db")));
            QVERIFY(db.open());
            QSqlQuery(db).exec(QStringLiteral("CREATE TABLE IF NOT EXISTS other (x INTEGER)"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));

        for (const bool existing : {false, true}) {
            const QString pdf = dir.filePath(QStringLiteral("bad.pdf"));
            QFile::remove(pdf);
            if (existing) {
                QFile file(pdf);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write("an earlier report");
            }
            const CliRun run =
                runCli(QStringList{"report", "-o", pdf} + args, QString(), dir.path());
            QCOMPARE(run.exitCode, exitCode);
            QVERIFY2(run.errText().contains(message), run.err.constData());
            QCOMPARE(fileBytes(pdf), existing ? QByteArray("an earlier report") : QByteArray());
            QCOMPARE(QFile::exists(pdf), existing);
        }
    }

    // The report never replaces the database it reports on, however the path is spelt.
    void outputIsTheDatabase()
    {
        const QString db = dir.filePath(QStringLiteral("kept.db"));
        writeHistory(db, Mixed);
        const QByteArray before = fileBytes(db);
        const CliRun run = runCli({"report", "--db", db, "-o", "./kept.db"}, QString(), dir.path());
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(run.errText().contains(QStringLiteral("it is the history database")),
                 run.err.constData());
        QCOMPARE(fileBytes(db), before);
    }

    // Only the report starts Qt's GUI side: the other commands run where no platform plugin
    // loads at all.
    void otherCommandsNeedNoPlatform()
    {
        qputenv("QT_QPA_PLATFORM", "no-such-platform");
        const CliRun run = runCli({"export", "--db", mixedDb}, QString(), dir.path());
        qunsetenv("QT_QPA_PLATFORM");
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.outText().contains(QStringLiteral("229.5")), run.err.constData());
    }

    void unwritableOutput()
    {
        const QString pdf = dir.filePath(QStringLiteral("no/such/folder/report.pdf"));
        const CliRun run = runCli({"report", "--db", mixedDb, "-o", pdf}, QString(), dir.path());
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(run.errText().contains(QStringLiteral("cannot write")), run.err.constData());
        QVERIFY(!QFile::exists(pdf));
    }

private:
    QTemporaryDir dir;
    QString mixedDb;
};

QTEST_GUILESS_MAIN(TestCliReport)
#include "test_clireport.moc"
