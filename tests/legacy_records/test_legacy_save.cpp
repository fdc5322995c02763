// Saving: the record text file as bytes (GBK, CR LF) and through the save button and its
// dialog, the chart bitmap, the data folder, and a save that cannot be written.
#include <QAbstractButton> // before the modal driver, which clicks buttons

#include "datafolder.h"
#include "gbk.h"
#include "modaldriver.h"
#include "recordsprobe.h"
#include "recordtext.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace legacy;

namespace
{

/// The file's lines, each encoded as the legacy console writes text; Windows' Qt has no GBK
/// decoder of its own, so files are compared as bytes.
QList<QByteArray> gbkLines(const QStringList &lines)
{
    QList<QByteArray> encoded;
    for (const QString &line : lines)
        encoded << gbk::encode(line);
    return encoded;
}

QList<QByteArray> crLfLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype from = 0;
    for (qsizetype end = bytes.indexOf("\r\n"); end >= 0; end = bytes.indexOf("\r\n", from)) {
        lines << bytes.mid(from, end - from);
        from = end + 2;
    }
    lines << bytes.mid(from);
    return lines;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString Blank25(25, u' ');

} // namespace

class TestLegacySave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init()
    {
        state = std::make_unique<LegacyState>();
        resetOnLoad(*state);
    }

    void fileLines_data();
    void fileLines();
    void bytesAreGbkWithCrLf();

    void dataFolderIsInTheHome();
    void recordsThroughTheDialogReplaceTheFile();
    void cancelWritesNothing();
    void chartAsBitmap();
    void unwritableFileIsReported();
    void fullDiskLeavesTheOldBitmap();

private:
    std::unique_ptr<LegacyState> state;
    QTemporaryDir home;
};

void TestLegacySave::initTestCase()
{
    QVERIFY(home.isValid());
    qputenv("HOME", home.path().toLocal8Bit());
    withoutPorts();
}

void TestLegacySave::fileLines_data()
{
    QTest::addColumn<int>("recTotal");
    QTest::addColumn<QList<int>>("present");
    QTest::addColumn<QStringList>("records");
    const QString one = QStringLiteral("第001组  10.01Ω  20.01Ω    0.01Ω    -----  ");
    QTest::newRow("three records")
        << 3 << QList<int>{1, 2, 3}
        << QStringList{one, "第002组  10.02Ω  20.02Ω    0.02Ω    -----  ",
                       "第003组  10.03Ω  20.03Ω    0.03Ω    -----  "};
    QTest::newRow("no count") << 0 << QList<int>{1, 2} << QStringList{};
    QTest::newRow("no answer") << 65535 << QList<int>{1, 2} << QStringList{};
    QTest::newRow("gap skipped") << 6 << QList<int>{4, 6}
                                 << QStringList{"第004组  10.04Ω  20.04Ω    0.04Ω    -----  ",
                                                "第006组  10.06Ω  20.06Ω    0.06Ω    -----  "};
    QTest::newRow("count past the store")
        << 20000 << QList<int>{10000}
        << QStringList{"第10000组  110.00Ω  120.00Ω    OL Ω    -----  "};
}

void TestLegacySave::fileLines()
{
    QFETCH(int, recTotal);
    QFETCH(QList<int>, present);
    QFETCH(QStringList, records);
    for (int n : present)
        putRecord(*state, n, 0x12, 1000 + n, 2000 + n, n);
    state->recTotal = recTotal;
    const QStringList lines = recordFileLines(*state, plainValue);
    QCOMPARE(
        lines.mid(0, 2),
        (QStringList{Blank25, "组数    最大值     最小值   平均值    电压值                "}));
    QCOMPARE(lines.mid(2), records);
}

void TestLegacySave::bytesAreGbkWithCrLf()
{
    putRecord(*state, 1, 0x12, 1234, 10000, 300);
    putRecord(*state, 2, 0x20, 0, 0, 230);
    state->recTotal = 2;
    const QByteArray bytes = recordFileBytes(recordFileLines(*state, plainValue));
    QVERIFY(bytes.startsWith(QByteArray(25, ' ') + "\r\n"));
    // 第 B5DA, 组 D7E9, Ω A6B8 in code page 936.
    QVERIFY(bytes.contains(QByteArray::fromHex("b5da303031d7e9")));
    QVERIFY(bytes.contains(QByteArray::fromHex("a6b8")));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\r\n"), 4);
    QCOMPARE(bytes.count('\n'), 4);
    QCOMPARE(crLfLines(bytes),
             gbkLines({Blank25, RecordFileHeader, "第001组  12.34Ω    OL Ω   3.00Ω    -----  ",
                       "第002组  -----     -----     -----     230v    ", ""}));
}

void TestLegacySave::dataFolderIsInTheHome()
{
#ifdef Q_OS_WIN
    QCOMPARE(datafolder::path(), QStringLiteral("c:\\KOVA"));
#else
    QCOMPARE(datafolder::path(), home.filePath(QStringLiteral("KOVA")));
#endif
}

void TestLegacySave::recordsThroughTheDialogReplaceTheFile()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    Form1Probe::showBoxes(form, true);
    downloadRecords(*state, 3);
    const QString path = home.filePath(QStringLiteral("records.txt"));

    ModalDriver driver;
    driver.thenChooseFile(path);
    control<QPushButton>(form, "Command4")->click();
    QCOMPARE(driver.seen.size(), 1);
    // The same file, however the drive letter is spelt.
    QVERIFY2(QFileInfo(driver.seen[0].suggestedFile) ==
                 QFileInfo(QDir(datafolder::path()).filePath(QStringLiteral("KOVA.txt"))),
             qPrintable(driver.seen[0].suggestedFile));
    QCOMPARE(driver.seen[0].nameFilters, QStringList{".txt (*.txt)"});
    QVERIFY(QFileInfo(datafolder::path()).isDir());
    const QList<QByteArray> first = crLfLines(readAll(path));
    QCOMPARE(first.size(), 6);
    QVERIFY(first[4].startsWith(gbk::encode(QStringLiteral("第003组"))));

    // Saving again under the same name replaces the file; the dialog proposes KOVA.txt again.
    state->recNo[3] = 0;
    driver.thenChooseFile(path);
    control<QPushButton>(form, "Command4")->click();
    QCOMPARE(driver.seen.size(), 2);
    QVERIFY(driver.seen[1].suggestedFile.endsWith(QStringLiteral("/KOVA.txt")));
    QCOMPARE(readAll(path), recordFileBytes(recordFileLines(*state, plainValue)));
    QCOMPARE(readAll(path).count("\r\n"), 4);
}

void TestLegacySave::cancelWritesNothing()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    Form1Probe::showBoxes(form, true);
    downloadRecords(*state, 3);
    const QStringList before = QDir(datafolder::path()).entryList(QDir::Files);
    ModalDriver driver;
    driver.thenChooseFile(QString());
    control<QPushButton>(form, "Command4")->click();
    QCOMPARE(driver.seen.size(), 1);
    QCOMPARE(QDir(datafolder::path()).entryList(QDir::Files), before);
    QCOMPARE(driver.unanswered(), 0);
}

void TestLegacySave::chartAsBitmap()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    form.RedrawChart();
    const QString path = QDir(datafolder::path()).filePath(QStringLiteral("chart.bmp"));
    ModalDriver driver;
    driver.thenChooseFile(path);
    control<QPushButton>(form, "Command4")->click();
    QCOMPARE(driver.seen.size(), 1);
    QVERIFY(driver.seen[0].suggestedFile.endsWith(QStringLiteral("/KOVA/KOVA.bmp")));
    QCOMPARE(driver.seen[0].nameFilters, QStringList{".bmp (*.bmp)"});
    const QByteArray bytes = readAll(path);
    QVERIFY(bytes.startsWith("BM"));
    const QImage saved = QImage::fromData(bytes, "BMP");
    const PictureBox &picture = *Form1Probe::picture(form);
    QCOMPARE(saved.size(), picture.size());
    QCOMPARE(saved.size(), QSize(697, 369) * (picture.dpi() / 96.0));
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
             picture.image().convertToFormat(QImage::Format_RGB32));
}

void TestLegacySave::unwritableFileIsReported()
{
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    Form1Probe::showBoxes(form, true);
    downloadRecords(*state, 3);
    const QString path = home.filePath(QStringLiteral("no such folder/records.txt"));
    ModalDriver driver;
    driver.thenChooseFile(path);
    driver.thenClick(QMessageBox::Ok);
    control<QPushButton>(form, "Command4")->click();
    QTRY_COMPARE_WITH_TIMEOUT(driver.seen.size(), 2, 10000);
    QCOMPARE(driver.seen[1].className, QStringLiteral("QMessageBox"));
    QVERIFY2(driver.seen[1].text.startsWith(QStringLiteral("保存失败")),
             qPrintable(driver.seen[1].text));
    QVERIFY(!QFile::exists(path));
}

// The disk fills up part-way through the bitmap: a file-size limit makes every write past the
// first 4 KiB fail, as a full disk does.
void TestLegacySave::fullDiskLeavesTheOldBitmap()
{
#ifdef Q_OS_UNIX
    Form1 form(*state);
    Form1Probe::stopTimers(form);
    form.RedrawChart();
    const QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("KOVA.bmp"));
    const QByteArray old = "BM the bitmap saved yesterday";
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(old), old.size());
    }

    ModalDriver driver;
    driver.thenChooseFile(path);
    driver.thenClick(QMessageBox::Ok);
    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit full = before;
    full.rlim_cur = 4096;
    const sighandler_t previous = signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
    control<QPushButton>(form, "Command4")->click();
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, previous);

    QCOMPARE(driver.seen.size(), 2);
    QCOMPARE(driver.seen[1].className, QStringLiteral("QMessageBox"));
    QVERIFY2(driver.seen[1].text.startsWith(QStringLiteral("保存失败")),
             qPrintable(driver.seen[1].text));
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"KOVA.bmp"});
#else
    QSKIP("needs a file-size limit");
#endif
}

QTEST_MAIN(TestLegacySave)
#include "test_legacy_save.moc"
