// The platform plugin the report draws with is one this system's Qt ships (Qt for Windows has
// no offscreen plugin), and it finds the system's fonts.
#include "clihints.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QtTest>

class TestCliHints : public QObject
{
    Q_OBJECT

private slots:
    void headlessPlatformFindsFonts()
    {
        const QByteArray platform = CliHints::headlessPlatform();
        QCOMPARE(QGuiApplication::platformName(), QString::fromLatin1(platform.split(':').first()));
        QVERIFY(!QFontDatabase::families().isEmpty());
    }
};

int main(int argc, char *argv[])
{
    // As telvoro-cli's report starts it.
    qputenv("QT_QPA_PLATFORM", CliHints::headlessPlatform());
    QGuiApplication app(argc, argv);
    TestCliHints test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_clihints.moc"
