// Where there is no command interpreter with "start", a web link goes to the desktop's URL
// opener; a replaced opener takes it instead, until it is put back.
#include "weblink.h"

#include <QDesktopServices>
#include <QtTest>

class TestWebLink : public QObject
{
    Q_OBJECT

public slots:
    void open(const QUrl &url) { opened.append(url); }

private slots:
    void init()
    {
        opened.clear();
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
    }
    void cleanup() { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }

    void theDesktopOpensTheAddress()
    {
        openWebLink(QStringLiteral("http://www.telvoro.example"));
        QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("http://www.telvoro.example"))});
    }

    void aReplacedOpenerTakesItUntilRestored()
    {
        QStringList kept;
        setWebLinkOpener([&](const QString &address) { kept.append(address); });
        openWebLink(QStringLiteral("http://a.example"));
        setWebLinkOpener({});
        openWebLink(QStringLiteral("http://b.example"));
        QCOMPARE(kept, QStringList{QStringLiteral("http://a.example")});
        QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("http://b.example"))});
    }

private:
    QList<QUrl> opened;
};

QTEST_MAIN(TestWebLink)
#include "test_weblink.moc"
