// TelvoroConsole against the in-process instrument simulator: the live page with a resistance
// trend, the hover card, a voltage reading and a filled history page.
//
// The window is driven the way an operator's session drives it: the simulator's pseudo-terminal
// is found by the port scan, readings arrive through the poll, the history through the sync
// button. Only the poll is triggered faster than once a second, so a trend fills in seconds.

#include "sessions.h"

#include "mainwindow.h"
#include "ptyinstrument.h"
#include "shots.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cmath>
#include <functional>

namespace
{

using shots::fail;
using shots::findWidget;
using shots::waitFor;

class Session
{
public:
    explicit Session(const QString &outputFolder) : folder(outputFolder) {}

    bool run()
    {
        instrument = shots::openInstrument(27, 7);
        if (!instrument)
            return false;
        qputenv("TELVORO_EXTRA_PORTS", instrument->slavePath().toLocal8Bit());

        // TestHistory.db goes to the working directory: keep it out of the build folder.
        if (!scratch.isValid() || !QDir::setCurrent(scratch.path()))
            return fail(QStringLiteral("no scratch folder"));

        window = std::make_unique<MainWindow>();
        window->resize(1200, 800);
        window->show();

        return waitForLink() && liveTrend() && hoverCard() && voltage() && history();
    }

private:
    bool save(const QString &name) { return shots::save(window.get(), folder, name); }

    QLineSeries *avgSeries() const
    {
        return qobject_cast<QLineSeries *>(chartView()->chart()->series().value(0));
    }
    QChartView *chartView() const { return window->findChild<QChartView *>(); }

    int newestReading() const
    {
        QLineSeries *series = avgSeries();
        return series->count() == 0 ? 0 : int(series->at(series->count() - 1).x());
    }

    // One poll, answered by the simulator with the reading it holds now.
    bool poll(const std::function<bool()> &arrived)
    {
        QMetaObject::invokeMethod(window.get(), "requestRealTimeData");
        return waitFor(arrived);
    }

    bool waitForLink()
    {
        const bool linked = waitFor([this] {
            return findWidget<QComboBox>(window.get(), [](QComboBox *combo) {
                       return combo->currentText().endsWith(QStringLiteral(" (已连接)"));
                   }) != nullptr;
        });
        return linked || fail(QStringLiteral("the console did not find the simulator"));
    }

    // A slowly wandering earth resistance around 86 Ω with a spread of a few ohms.
    bool liveTrend()
    {
        for (int i = 0; i < 42; ++i) {
            const double avg = 86 + 9 * std::sin(i / 6.0) + 3 * std::sin(i / 1.7);
            const double spread = 4 + 1.5 * std::cos(i / 2.3);
            instrument->setReading(1, 2, quint16(std::lround(avg * 100)),
                                   quint16(std::lround((avg + spread) * 100)),
                                   quint16(std::lround((avg - spread * 0.8) * 100)));
            const int before = newestReading();
            if (!poll([&] { return newestReading() > before; }))
                return fail(QStringLiteral("no reading arrived"));
        }
        return save(QStringLiteral("console-live.png"));
    }

    bool hoverCard()
    {
        QChartView *view = chartView();
        QChart *chart = view->chart();
        const int reading = newestReading() - 12;
        const QPointF at(chart->mapToPosition(QPointF(reading, 0)).x(),
                         chart->plotArea().top() + chart->plotArea().height() * 0.35);
        QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &move);
        auto *card = findCard(chart);
        if (!card || !card->isVisible())
            return fail(QStringLiteral("the hover card did not show"));
        const bool saved = save(QStringLiteral("console-hover.png"));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(view->viewport(), &leave);
        return saved;
    }

    static QGraphicsTextItem *findCard(QChart *chart)
    {
        const QList<QGraphicsItem *> items = chart->childItems();
        for (QGraphicsItem *item : items) {
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
                return text;
        }
        return nullptr;
    }

    bool voltage()
    {
        auto *huge = window->findChild<QLabel *>(QStringLiteral("HugeDataLabel"));
        instrument->setReading(2, 1, 2305, 0, 0);
        if (!poll([&] { return huge->text() == QStringLiteral("230.5 V"); }))
            return fail(QStringLiteral("no voltage reading arrived"));
        return save(QStringLiteral("console-voltage.png"));
    }

    bool history()
    {
        auto *tabs = window->findChild<QTabWidget *>();
        auto *table = window->findChild<QTableWidget *>();
        auto *sync = findWidget<QPushButton>(window.get(), [](QPushButton *button) {
            return button->text() == QStringLiteral("🔄 同步设备数据");
        });
        if (!tabs || !table || !sync)
            return fail(QStringLiteral("history page widgets missing"));
        tabs->setCurrentIndex(1);
        sync->click();
        if (!waitFor([&] {
                return sync->isEnabled() && sync->text() == QStringLiteral("🔄 同步设备数据") &&
                       table->rowCount() == 10;
            }))
            return fail(QStringLiteral("the history download did not fill the table"));
        table->selectRow(2);
        return save(QStringLiteral("console-history.png"));
    }

    QString folder;
    QTemporaryDir scratch;
    std::unique_ptr<PtyInstrument> instrument;
    std::unique_ptr<MainWindow> window;
};

} // namespace

bool renderConsole(const QString &folder)
{
    Session session(folder);
    return session.run();
}
