// The splash window: its pictures and hotspot, the steady and blinking phases, the hand-over
// to the main form on a click and the web site from the hotspot.
#include "form3.h"
#include "formtimer.h"
#include "makersite.h"
#include "recordsprobe.h"
#include "splashart.h"
#include "twips.h"
#include "urlcatcher.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

struct Form3Probe {
    static QLabel *picture(Form3 &f, int which) { return which == 1 ? f.Picture1 : f.Picture2; }
    static QWidget *hotspot(Form3 &f) { return f.Image1; }
    static FormTimer *timer(Form3 &f, int which) { return which == 1 ? f.Timer1 : f.Timer2; }
    static void tick(Form3 &f, int which)
    {
        if (which == 1)
            f.Timer1_Timer();
        else
            f.Timer2_Timer();
    }
};

class TestLegacySplash : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { delete splash; }

    void windowAndPictures();
    void steadyThenBlinking();
    void clickHandsOver_data();
    void clickHandsOver();
    void hotspotOpensTheSiteAndStays();
    void handOverLoadsTheMainForm();

private:
    QPoint hotspotCentre() const;

    Form3 *splash = nullptr;
    UrlCatcher sites;
};

void TestLegacySplash::initTestCase()
{
    withoutPorts();
}

void TestLegacySplash::init()
{
    splash = new Form3;
    for (int t : {1, 2})
        Form3Probe::timer(*splash, t)->setEnabled(false);
    splash->show();
    QVERIFY(QTest::qWaitForWindowExposed(splash));
    sites.urls.clear();
}

QPoint TestLegacySplash::hotspotCentre() const
{
    QWidget *spot = Form3Probe::hotspot(*splash);
    return spot->mapTo(splash, spot->rect().center());
}

void TestLegacySplash::windowAndPictures()
{
    const double dpi = twips::dpiOf(splash);
    QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash->size(), twips::size(11880, 6810, dpi));
    for (int which : {1, 2}) {
        const QPixmap pixmap = Form3Probe::picture(*splash, which)->pixmap();
        QCOMPARE(pixmap.size(), QSize(794, 462));
        QCOMPARE(splashart::picture(which).format(), QImage::Format_RGB888);
    }
    QVERIFY(splashart::picture(1) != splashart::picture(2));
    QCOMPARE(Form3Probe::picture(*splash, 1)->geometry(), twips::rect(0, 0, 12015, 6855, dpi));
    QCOMPARE(Form3Probe::picture(*splash, 2)->geometry(), twips::rect(0, 0, 12255, 6855, dpi));
    QWidget *spot = Form3Probe::hotspot(*splash);
    QCOMPARE(spot->parentWidget(), Form3Probe::picture(*splash, 2));
    QCOMPARE(spot->geometry(), twips::rect(7440, 5160, 4215, 1335, dpi));
    QCOMPARE(spot->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(spot->cursor().pixmap().size(), QSize(32, 32));
    QCOMPARE(Form3Probe::timer(*splash, 1)->interval(), 3000);
    QCOMPARE(Form3Probe::timer(*splash, 2)->interval(), 0);
}

void TestLegacySplash::steadyThenBlinking()
{
    QLabel *top = Form3Probe::picture(*splash, 2);
    FormTimer *blink = Form3Probe::timer(*splash, 2);
    QList<bool> shown;
    for (int cycle = 0; cycle < 2; ++cycle) {
        Form3Probe::tick(*splash, 1); // blinking starts
        QCOMPARE(blink->interval(), 400);
        for (int i = 0; i < 7; ++i) {
            Form3Probe::tick(*splash, 2);
            shown << !top->isHidden();
        }
        Form3Probe::tick(*splash, 1); // steady again, the top picture showing
        QCOMPARE(blink->interval(), 0);
        QVERIFY(!top->isHidden());
    }
    QCOMPARE(shown, (QList<bool>{false, true, false, true, false, true, false, false, true, false,
                                 true, false, true, false}));
}

void TestLegacySplash::clickHandsOver_data()
{
    QTest::addColumn<bool>("topHidden");
    QTest::addColumn<bool>("onHotspot");
    QTest::newRow("top picture") << false << false;
    QTest::newRow("lower picture at the hotspot's place") << true << true;
    QTest::newRow("lower picture") << true << false;
}

void TestLegacySplash::clickHandsOver()
{
    QFETCH(bool, topHidden);
    QFETCH(bool, onHotspot);
    QSignalSpy handOver(splash, &Form3::handOver);
    Form3Probe::picture(*splash, 2)->setHidden(topHidden);
    QTest::mouseClick(splash, Qt::LeftButton, {}, onHotspot ? hotspotCentre() : QPoint(100, 100));
    QCOMPARE(handOver.size(), 1);
    QVERIFY(!splash->isVisible());
    QVERIFY(sites.urls.isEmpty());
}

void TestLegacySplash::hotspotOpensTheSiteAndStays()
{
    QSignalSpy handOver(splash, &Form3::handOver);
    QWidget *spot = Form3Probe::hotspot(*splash);
    QTest::mouseClick(spot, Qt::LeftButton, {}, spot->rect().center());
    QCOMPARE(sites.urls, QList<QUrl>{QUrl(makersite::address())});
    QCOMPARE(handOver.size(), 0);
    QVERIFY(splash->isVisible());
}

void TestLegacySplash::handOverLoadsTheMainForm()
{
    legacy::LegacyState state;
    connect(splash, &Form3::handOver, this, [&state] { Form1::load(state); });
    QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(50, 50));
    const QList<Form1 *> forms = shownMainForms();
    QCOMPARE(forms.size(), 1);
    QVERIFY(!splash->isVisible());
    QCOMPARE(state.portNo, 6); // the start-up sequence ran
    delete forms.constFirst();
}

QTEST_MAIN(TestLegacySplash)
#include "test_legacy_splash.moc"
