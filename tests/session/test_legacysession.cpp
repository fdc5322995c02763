// A whole session of the legacy console with an instrument on a real serial port: the form
// walks its ports until the instrument answers, polls it, downloads its records and saves them
// as KOVA.txt in its data folder. scripts/test-windows.sh runs it under Wine (the simulator on
// a COM port; the file lands in c:\KOVA) and on Linux (the simulator on a pseudo-terminal; the
// file lands in ~/KOVA) and compares the two files byte for byte.
//
// Environment: TELVORO_SESSION_PORT     the port the form must settle on ("COM5")
//              TELVORO_SESSION_RECORDS  how many records the instrument holds
#include "datafolder.h"
#include "form1probe.h"
#include "legacystate.h"
#include "modaldriver.h"
#include "recordacquisition.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace
{

constexpr int FindMs = 120000;
constexpr int AnswerMs = 20000;

} // namespace

class TestLegacySession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!port.isEmpty(), "TELVORO_SESSION_PORT names no port");
        QVERIFY2(records > 0, "TELVORO_SESSION_RECORDS is not a count");
        QFile::remove(QDir(datafolder::path()).filePath(QStringLiteral("KOVA.txt")));
        form = std::make_unique<Form1>(state);
        form->show();
    }

    void findsTheInstrument()
    {
        QVERIFY(QTest::qWaitFor([this] { return text("Label17") == QStringLiteral("连接成功"); },
                                FindMs));
        QCOMPARE(text("Label15"), port);
        QCOMPARE(text("Label16"), QStringLiteral("串口已打开"));
    }

    void pollsTheReading()
    {
        // avg 12.34, max 13.00, min 12.00 ohms; the maximum is shown first.
        QVERIFY(QTest::qWaitFor([this] { return text("Label1") == QStringLiteral("13.00Ω"); },
                                AnswerMs));
        QVERIFY(QTest::qWaitFor([this] { return state.meterRecCount == records; }, AnswerMs));
    }

    void downloadsTheRecords()
    {
        auto *read = form->findChild<QPushButton *>(QStringLiteral("Command5"));
        QElapsedTimer clock;
        clock.start();
        read->click();
        QCOMPARE(read->text(), legacy::PauseCaption);
        QVERIFY(QTest::qWaitFor([&] { return read->text() == legacy::ReadCaption; },
                                AnswerMs + records * 400));
        qInfo("downloaded %d records in %lld ms", records, clock.elapsed());
        QCOMPARE(state.form2zushu, records);
        QCOMPARE(state.recNo[records], records);
        QCOMPARE(state.recNo[records + 1], 0);
    }

    void savesTheRecords()
    {
        ModalDriver dialogs;
        dialogs.thenAcceptSuggestion();
        form->findChild<QPushButton *>(QStringLiteral("Command4"))->click();
        QCOMPARE(dialogs.seen.size(), 1);
        const QString saved = QDir(datafolder::path()).filePath(QStringLiteral("KOVA.txt"));
        // The same file, however the drive letter is spelt.
        QVERIFY2(QFileInfo(dialogs.seen.constFirst().suggestedFile) == QFileInfo(saved),
                 qPrintable(dialogs.seen.constFirst().suggestedFile));
        QFile file(saved);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(saved));
        // One line per record after the header lines, each ended by CR LF.
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.count("\r\n") > records);
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    }

    void cleanupTestCase() { form.reset(); }

private:
    QString text(const char *name)
    {
        return form->findChild<QLabel *>(QLatin1String(name))->text();
    }

    const QString port = qEnvironmentVariable("TELVORO_SESSION_PORT");
    const int records = qEnvironmentVariableIntValue("TELVORO_SESSION_RECORDS");
    legacy::LegacyState state;
    std::unique_ptr<Form1> form;
};

QTEST_MAIN(TestLegacySession)
#include "test_legacysession.moc"
