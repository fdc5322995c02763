// The legacy console against the in-process instrument simulator: the splash window, the live
// trend chart with the cursor read-out, and the record pages after a download.
//
// As with the modern console the windows are driven as an operator's session drives them; only
// the reading request is triggered as soon as the previous reading arrived, so the chart's 150
// readings fill in seconds.

#include "sessions.h"

#include "form1.h"
#include "form3.h"
#include "formtimer.h"
#include "legacystate.h"
#include "mscomm.h"
#include "ptyinstrument.h"
#include "recordacquisition.h"
#include "shots.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>

#include <cmath>
#include <memory>

using shots::fail;
using shots::waitFor;

namespace
{

constexpr int Readings = 150;
constexpr int Records = 60;

class Session
{
public:
    explicit Session(const QString &outputFolder) : folder(outputFolder) {}
    ~Session()
    {
        delete form;
        MSComm::setPortResolver({});
    }

    bool run()
    {
        instrument = shots::openInstrument(Records, 11);
        if (!instrument)
            return false;
        // COM2 is the first port the console tries: put the simulator there and nothing
        // behind the other numbers, so no real port is opened.
        const QString path = instrument->slavePath();
        MSComm::setPortResolver([path](int n) { return n == 2 ? path : QString(); });

        return splash() && waitForLink() && liveChart() && recordPages();
    }

private:
    bool save(QWidget *window, const QString &name) { return shots::save(window, folder, name); }

    template <typename T = QWidget> T *control(const char *name) const
    {
        return form->findChild<T *>(QLatin1String(name));
    }

    bool splash()
    {
        auto *window = new Form3;
        window->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(window, &Form3::handOver, [this] { form = Form1::load(state); });
        window->show();
        if (!save(window, QStringLiteral("legacy-splash.png")))
            return false;
        // A click anywhere but the maker's picture hands over to the main form.
        const QPointF at(10, 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, window->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, window->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &press);
        QCoreApplication::sendEvent(window, &release);
        return waitFor([this] { return !form.isNull(); }) ||
               fail(QStringLiteral("the splash window did not hand over"));
    }

    bool waitForLink()
    {
        const bool linked = waitFor(
            [this] { return control<QLabel>("Label17")->text() == QStringLiteral("连接成功"); });
        return linked || fail(QStringLiteral("the legacy console did not find the simulator"));
    }

    // Earth resistance drifting between about 4 and 7 Ω over the 150 readings.
    bool liveChart()
    {
        auto *poll = form->findChild<FormTimer *>(QStringLiteral("Timer7"));
        for (int i = 0; i < Readings; ++i) {
            const double avg = 5.2 + 1.1 * std::sin(i / 14.0) + 0.35 * std::sin(i / 3.1);
            const double spread = 0.5 + 0.2 * std::cos(i / 9.0);
            const auto raw = [](double ohms) { return quint16(std::lround(ohms * 100)); };
            instrument->setReading(1, 2, raw(avg), raw(avg + spread), raw(avg - spread * 0.8));
            // The second frame of a reading pushes it onto the chart's history.
            emit poll->timeout();
            if (!waitFor([&] { return state.histAvg[0] == raw(avg); }))
                return fail(QStringLiteral("no reading arrived"));
        }
        control<QCheckBox>("Check2")->setChecked(true);
        control<QCheckBox>("Check4")->setChecked(true);
        form->RedrawChart();

        QWidget *chart = control("Picture2");
        const QPointF at(chart->width() * 0.62, chart->height() * 0.4);
        QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(chart, &move);
        return save(form, QStringLiteral("legacy-chart.png"));
    }

    bool recordPages()
    {
        auto *read = control<QPushButton>("Command5");
        if (!waitFor([this] { return state.meterRecCount == Records; }))
            return fail(QStringLiteral("the record count did not arrive"));
        read->click();
        if (!waitFor(
                [&] { return read->text() == legacy::ReadCaption && state.recTotal == Records; },
                60000))
            return fail(QStringLiteral("the record download did not finish"));
        return save(form, QStringLiteral("legacy-record-pages.png"));
    }

    QString folder;
    legacy::LegacyState state;
    std::unique_ptr<PtyInstrument> instrument;
    QPointer<Form1> form;
};

} // namespace

bool renderLegacy(const QString &folder)
{
    Session session(folder);
    return session.run();
}
