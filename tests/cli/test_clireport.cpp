// telvoro-cli report end to end: the PDF read back with poppler's pdftotext and pdfinfo.
#include "clifixture.h"
#include "historycell.h"

#include <QDate>
#include <QDir>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStandardPaths>

#include <csignal>

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

QString withoutWhitespace(QString text)
{
    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    return text.remove(whitespace);
}

// Every word pdftotext finds, page by page, with its box in points.
QList<QList<QRectF>> wordBoxes(const QString &pdf)
{
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">)re"));
    QList<QList<QRectF>> pages;
    const QString boxes = poppler(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"});
    for (const QString &page : boxes.split(QStringLiteral("<page ")).mid(1)) {
        QList<QRectF> words;
        for (const QRegularExpressionMatch &m : word.globalMatch(page))
            words << QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                            QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
        pages << words;
    }
    return pages;
}

// A history database of `count` resistance records, in one transaction.
void makeLargeHistory(const QString &path, int count)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(HistoryStore::createTable(db));
        QVERIFY(db.transaction());
        for (int i = 1; i <= count; ++i)
            QVERIFY(HistoryStore::insert(db, {i, "接地电阻", 1.0 + i, 2.0 + i, 0.5 + i, "Ω", 0}));
        QVERIFY(db.commit());
        db.close();
    }
    QSqlDatabase::removeDatabase(path);
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
        QVERIFY(writeHistory(mixedDb, Mixed));
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
        // A limit is no reading: it reads as its number, never "OL".
        QTest::newRow("limit 1000000 Ω")
            << QStringList{QStringLiteral("--limit"), QStringLiteral("1000000")}
            << QStringList{"合格", "合格", "—", "—", "不合格", "合格"}
            << QStringLiteral("判定限值 1000000 Ω：合格 3 条，不合格 1 "
                              "条（平均值不低于限值或超量程为不合格）");
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
        QVERIFY2(!all.contains(QStringLiteral("限值 OL")), qPrintable(all));

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
        QVERIFY(writeHistory(db, {}));
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
            QVERIFY(writeHistory(db, records));
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

    // Texts of any length and with line breaks: every word lands in the PDF, in its order, page
    // 1 grows to hold them, no word sits on another and none leaves the page.
    void longTextsKeepEveryWord_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("testedBy");
        QStringList words;
        for (int i = 1; words.join(u' ').size() < 500; ++i)
            words << QStringLiteral("substation%1").arg(i);
        QTest::newRow("a 500-character site")
            << QStringLiteral("接地电阻测试报告") << words.join(u' ') << QStringLiteral("李工");
        QTest::newRow("line breaks") << QStringLiteral("接地电阻测试报告\nsecond title line")
                                     << QStringLiteral("西区变电站\n3 号楼\r\nroof mast")
                                     << QStringLiteral("李工\n王工\r张工");
        QTest::newRow("words longer than a line")
            << QStringLiteral("报告").repeated(60) << QStringLiteral("x").repeated(300)
            << QStringLiteral("西区变电站").repeated(30);
    }

    void longTextsKeepEveryWord()
    {
        QFETCH(QString, title);
        QFETCH(QString, site);
        QFETCH(QString, testedBy);
        const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
        const CliRun run = runCli({"report", "--db", mixedDb, "-o", pdf, "--title", title, "--site",
                                   site, "--operator", testedBy, "--limit", "10"},
                                  QString(), dir.path());
        QVERIFY2(run.exitCode == 0, run.err.constData());

        // In content order every text is whole: nothing cut, nothing shortened with "…".
        const QString raw = poppler(QStringLiteral("pdftotext"), {"-raw", pdf, "-"});
        QVERIFY(!raw.contains(QStringLiteral("…")));
        const QString flat = withoutWhitespace(raw);
        for (const QString &text :
             {title, QStringLiteral("测试地点：") + site, QStringLiteral("测试人员：") + testedBy})
            QVERIFY2(flat.contains(withoutWhitespace(text)), qPrintable(text + "\n---\n" + raw));
        static const QRegularExpression whitespace(QStringLiteral("\\s+"));
        // Lines break between words; only a word wider than a line is broken.
        for (const QString &word : (title + u' ' + site + u' ' + testedBy).split(whitespace)) {
            if (word.size() < 40)
                QVERIFY2(raw.contains(word), qPrintable(word));
        }
        // Each line break starts a line of its own.
        for (const QString &text : {title, site, testedBy}) {
            const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
            for (const QString &line : lines.mid(1))
                QVERIFY2(raw.contains(u'\n' + line + u'\n') || raw.contains(u'\n' + line + u' '),
                         qPrintable(line + "\n---\n" + raw));
        }
        // The records are all there still, after the grown block.
        QStringList lines;
        for (const QStringList &page : pagesOf(pdf))
            lines << page;
        const QString table = lines.join(u'\n');
        for (const HistoryRecord &record : Mixed)
            QVERIFY2(table.contains(row(HistoryCells::rowTexts(record))), qPrintable(table));

        const QList<QList<QRectF>> pages = wordBoxes(pdf);
        QVERIFY(!pages.isEmpty());
        const double margin = 15 / 25.4 * 72 - 0.5; // 15 mm in points, less a rounding allowance
        const QRectF inside(QPointF(margin, margin), QPointF(595.276 - margin, 841.89 - margin));
        for (const QList<QRectF> &words : pages) {
            for (const QRectF &box : words)
                QVERIFY2(inside.contains(box), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                              .arg(box.x())
                                                              .arg(box.y())
                                                              .arg(box.width())
                                                              .arg(box.height())));
        }
        // No word is drawn over another (a header line over the next one, or over the summary).
        const QList<QRectF> &first = pages.front();
        for (int i = 0; i < first.size(); ++i) {
            for (int j = i + 1; j < first.size(); ++j) {
                const QRectF common = first[i].intersected(first[j]);
                QVERIFY2(common.width() < 0.5 || common.height() < 0.5,
                         qPrintable(QStringLiteral("words %1 and %2 overlap").arg(i).arg(j)));
            }
        }
    }

    // The verdict for a test station: one JSON line and an exit status, besides the report or
    // the export, which are written in full either way.
    void verdict_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("verdict");
        const QString failing = "{\"limit_ohms\":10,\"records\":6,\"judged\":4,\"passed\":2,"
                                "\"failed\":2,\"over_range\":1,\"failed_records\":[2,5],"
                                "\"verdict\":\"fail\"}\n";
        const QString passing = "{\"limit_ohms\":10,\"records\":4,\"judged\":2,\"passed\":2,"
                                "\"failed\":0,\"over_range\":0,\"failed_records\":[],"
                                "\"verdict\":\"pass\"}\n";
        QTest::newRow("report, a record fails, verdict on stdout")
            << QStringList{"report",  "--db", "MIXED",     "-o", "OUT",
                           "--limit", "10",   "--verdict", "-"}
            << 5 << failing;
        QTest::newRow("report, all pass, verdict in a file")
            << QStringList{"report",  "--db", "PASSING",   "-o",     "OUT",
                           "--limit", "10",   "--verdict", "VERDICT"}
            << 0 << passing;
        QTest::newRow("export, a record fails, verdict in a file")
            << QStringList{"export",  "--db", "MIXED",     "-o",     "OUT",
                           "--limit", "10",   "--verdict", "VERDICT"}
            << 5 << failing;
        QTest::newRow("export on stdout, all pass")
            << QStringList{"export",  "--db", "PASSING",   "--format", "json",
                           "--limit", "10",   "--verdict", "VERDICT"}
            << 0 << passing;
    }

    void verdict()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, verdict);
        const QString passingDb = dir.filePath(QStringLiteral("passing.db"));
        if (!QFile::exists(passingDb))
            QVERIFY(writeHistory(passingDb, {Mixed[0], Mixed[2], Mixed[3], Mixed[5]}));
        const QString out = dir.filePath(QStringLiteral("verdict-out"));
        const QString file = dir.filePath(QStringLiteral("verdict.json"));
        QFile::remove(out);
        QFile::remove(file);
        args.replaceInStrings(QStringLiteral("MIXED"), mixedDb)
            .replaceInStrings(QStringLiteral("PASSING"), passingDb)
            .replaceInStrings(QStringLiteral("OUT"), out)
            .replaceInStrings(QStringLiteral("VERDICT"), file);
        const CliRun run = runCli(args, QString(), dir.path());
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        const bool onStdout = args.contains(QStringLiteral("-"));
        QCOMPARE(onStdout ? run.outText() : QString::fromUtf8(fileBytes(file)), verdict);
        // The report or the export itself is whole.
        if (args.front() == QLatin1String("report")) {
            QCOMPARE(pagesOf(out).size(), 1);
        } else if (args.contains(QStringLiteral("-o"))) {
            QCOMPARE(fileBytes(out),
                     runCli({"export", "--db", mixedDb}, QString(), dir.path()).out);
        } else {
            QVERIFY(run.outText().startsWith(QStringLiteral("[\n{\"record\":1,")));
        }
    }

    // "-o -" is standard output, for the export and for the PDF.
    void dashIsStandardOutput()
    {
        const CliRun exported =
            runCli({"export", "--db", mixedDb, "-o", "-"}, QString(), dir.path());
        QCOMPARE(exported.exitCode, 0);
        QCOMPARE(exported.out, runCli({"export", "--db", mixedDb}, QString(), dir.path()).out);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("-"))));

        const CliRun report = runCli({"report", "--db", mixedDb, "-o", "-", "--site", "西区变电站"},
                                     QString(), dir.path());
        QVERIFY2(report.exitCode == 0, report.err.constData());
        QVERIFY(report.out.startsWith("%PDF-"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("-"))));
        const QString pdf = dir.filePath(QStringLiteral("from-stdout.pdf"));
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(report.out);
        file.close();
        const QList<QStringList> pages = pagesOf(pdf);
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages.front().contains(QStringLiteral("接地电阻测试报告")));
    }

    // Ctrl+C (or SIGTERM) while a long report is drawn: it stops, and leaves no file at all.
    void reportStopsOnASignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }

    void reportStopsOnASignal()
    {
        QFETCH(int, signal);
        // The most records an instrument holds: some seconds of drawing.
        const QString db = dir.filePath(QStringLiteral("full.db"));
        if (!QFile::exists(db))
            makeLargeHistory(db, 59999);
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);
        const QString pdf = dir.filePath(QStringLiteral("stopped.pdf"));
        CliProcess cli(QString(), dir.path());
        cli.start({"report", "--db", db, "-o", pdf});
        // The report goes to an unnamed file in the folder (Linux: O_TMPFILE) until it is whole:
        // once the program holds one, drawing has begun.
        const auto drawing = [&] {
            const QDir fds(QStringLiteral("/proc/%1/fd").arg(cli.pid()));
            for (const QFileInfo &fd : fds.entryInfoList(QDir::AllEntries | QDir::System)) {
                if (fd.symLinkTarget().startsWith(dir.filePath(QStringLiteral("#"))))
                    return true;
            }
            return false;
        };
        QVERIFY(QTest::qWaitFor(drawing, CliWaitMs));
        // A program that already ended has no id: kill(0) would stop this test's whole group.
        QVERIFY(cli.pid() > 0);
        QCOMPARE(::kill(pid_t(cli.pid()), signal), 0);
        const CliRun run = cli.finish();
        QCOMPARE(run.exitCode, 130);
        QVERIFY2(run.errText().endsWith(QStringLiteral("interrupted: no report was written\n")),
                 run.err.constData());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
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
        QTest::newRow("a verdict without a limit")
            << QStringList{"--db", "mixed.db", "--verdict", "-"} << 1
            << "--verdict requires --limit";
        QTest::newRow("a verdict over the database")
            << QStringList{"--db", "mixed.db", "--limit", "4", "--verdict", "mixed.db"} << 4
            << "it is the history database";
        QTest::newRow("texts too long for the first page")
            << QStringList{"--db", "mixed.db", "--site",
                           QStringLiteral("西区变电站 ").repeated(4000)}
            << 1 << "do not fit on the first page";
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
        QVERIFY(writeHistory(db, Mixed));
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
