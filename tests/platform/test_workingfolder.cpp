// Where a console keeps "TestHistory.db": the working directory, or the per-user fallback when
// that cannot be written.
#include "workingfolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestWorkingFolder : public QObject
{
    Q_OBJECT

private slots:
    void chooses_data();
    void chooses();
    void writableIsTriedWithAFile();
};

void TestWorkingFolder::chooses_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("documents");
    QTest::addColumn<QString>("expected");

    const QString programs = QStringLiteral("C:/Program Files/Telvoro");
    const QString documents = QStringLiteral("C:/Users/李工/Documents");
    QTest::newRow("writable stays") << programs << true << documents << programs;
    QTest::newRow("read-only goes to Documents")
        << programs << false << documents << QStringLiteral("C:/Users/李工/Documents/Telvoro");
    QTest::newRow("no documents folder") << programs << false << QString() << programs;
    QTest::newRow("documents with a slash")
        << QStringLiteral("/opt/telvoro") << false << QStringLiteral("/home/op/Documents/")
        << QStringLiteral("/home/op/Documents/Telvoro");
}

void TestWorkingFolder::chooses()
{
    QFETCH(QString, current);
    QFETCH(bool, writable);
    QFETCH(QString, documents);
    QFETCH(QString, expected);
    QCOMPARE(workingfolder::choose(current, writable, documents), expected);
}

void TestWorkingFolder::writableIsTriedWithAFile()
{
    const QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(workingfolder::isWritable(dir.path()));
    // The probe leaves nothing behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QVERIFY(!workingfolder::isWritable(dir.filePath(QStringLiteral("missing"))));
}

QTEST_GUILESS_MAIN(TestWorkingFolder)
#include "test_workingfolder.moc"
