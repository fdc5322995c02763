#include "modernbench.h"

#include "benchline.h"
#include "benchutil.h"
#include "csvreport.h"
#include "historyfill.h"
#include "historystore.h"
#include "mainwindowprobe.h"
#include "portcatalogue.h"
#include "protocol.h"
#include "simfloor.h"
#include "simthread.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdio>
#include <memory>

namespace bench
{

namespace
{

/// A record request out and its frame back: 4 + 11 bytes.
constexpr double ExchangeMs = 15 * ByteMs;
constexpr double ReplyMs = 11 * ByteMs;

constexpr int DownloadRecords = 1000;
constexpr int ReplyOnlyRecords = 300;
constexpr int LargeHistory = 100000;

QString mb(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

/// No download running or waiting for its count, and the button ready for the next one.
bool downloadIdle(MainWindow &w)
{
    return !MainWindowProbe::awaitingHistoryCount(w) && !MainWindowProbe::isSyncingHistory(w) &&
           MainWindowProbe::btnSyncHistory(w)->isEnabled();
}

/// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

/// Notices the first paint of any widget of one window.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget *window) : target(window) { qApp->installEventFilter(this); }
    ~FirstPaint() override { qApp->removeEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->window() == target)
            painted = true;
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *target;
};

/// The cost of one step of a long run near its start and near its end: each window is cut
/// into blocks and the median block counts, so a moment of other work on the machine does not
/// decide the figure. Resident memory is taken at the end of both windows.
class RunWindows
{
public:
    RunWindows(int startFrom, int window, int total, int block)
        : first(startFrom), size(window), last(total), blockSize(block)
    {
    }

    /// Runs `step(i)` for i = 1..total, the pending events handled after every `paintEvery`.
    template <typename Step> void measure(int paintEvery, Step step)
    {
        for (int i = 1; i <= last; ++i) {
            step(i);
            if (i % paintEvery == 0)
                pumpEvents();
            after(i);
        }
    }

    double startCost() const { return median(startBlocks); }
    double endCost() const { return median(endBlocks); }
    /// Resident growth per step between the end of the start window and the end of the run.
    double growthPerStep() const { return double(rssEnd - rssStart) / (last - first - size); }
    qint64 startResident() const { return rssStart; }
    qint64 endResident() const { return rssEnd; }

private:
    /// Step `i` (counted from 1) is done.
    void after(int i)
    {
        if (i == first || i == last - size) {
            clock.start();
            return;
        }
        const bool inStart = i > first && i <= first + size;
        const bool inEnd = i > last - size;
        const int begin = inStart ? first : last - size;
        if ((inStart || inEnd) && (i - begin) % blockSize == 0) {
            (inStart ? startBlocks : endBlocks) << elapsedMs(clock) / blockSize;
            clock.start();
        }
        if (i == first + size)
            rssStart = residentBytes();
        if (i == last)
            rssEnd = residentBytes();
    }

    const int first;
    const int size;
    const int last;
    const int blockSize;
    qint64 rssStart = 0;
    qint64 rssEnd = 0;
    QElapsedTimer clock;
    QList<double> startBlocks;
    QList<double> endBlocks;
};

/// While it lives the console lists no port of this machine: a real port is never opened.
class NoSystemPorts
{
public:
    NoSystemPorts()
    {
        PortCatalogue::setSystemPortLister([] { return QList<PortEntry>{}; });
    }
    ~NoSystemPorts() { PortCatalogue::setSystemPortLister({}); }
    NoSystemPorts(const NoSystemPorts &) = delete;
    NoSystemPorts &operator=(const NoSystemPorts &) = delete;
};

/// A console window connected to a simulated instrument in its own thread.
class ConnectedConsole
{
public:
    explicit ConnectedConsole(const SimOptions &options) : sim(options) {}

    bool start(QString *error)
    {
        if (!sim.open()) {
            *error = QStringLiteral("no pseudo-terminal: ") + sim.errorString();
            return false;
        }
        // Only the simulator.
        qputenv("TELVORO_EXTRA_PORTS", sim.slavePath().toUtf8());
        window = std::make_unique<MainWindow>();
        window->show();
        if (!waitUntil([this] { return MainWindowProbe::isConnected(*window); }, 15000)) {
            *error = QStringLiteral("the console found no instrument");
            return false;
        }
        return true;
    }

    /// Starts as above; false after printing why the benchmark `name` cannot run.
    bool start(const QString &name)
    {
        QString error;
        if (start(&error))
            return true;
        printNotice(name, error);
        return false;
    }

    ~ConnectedConsole()
    {
        window.reset();
        qunsetenv("TELVORO_EXTRA_PORTS");
    }

    MainWindow &w() { return *window; }

private:
    const NoSystemPorts ports;
    SimThread sim;
    std::unique_ptr<MainWindow> window;
};

struct DownloadRun {
    QString error;
    double msPerExchange = 0;
};

DownloadRun runDownload(int records, bool pacedCommands)
{
    DownloadRun run;
    WorkingDir dir;
    SimOptions options = pacedInstrument(records);
    options.pacedCommands = pacedCommands;
    ConnectedConsole console(options);
    if (!console.start(&run.error))
        return run;
    MainWindow &w = console.w();

    // Right after a reading has arrived the next poll is a second away, so no reading frame
    // is on its way to be taken for the record count.
    const int readings = MainWindowProbe::chartPointCount(w);
    waitUntil([&] { return MainWindowProbe::chartPointCount(w) > readings; }, 5000);

    QElapsedTimer clock;
    clock.start();
    MainWindowProbe::btnSyncHistory(w)->click();
    if (!waitUntil([&] { return downloadIdle(w); }, records * 200 + 10000)) {
        run.error = QStringLiteral("the download did not finish");
        return run;
    }
    // The count exchange and one exchange per record.
    run.msPerExchange = elapsedMs(clock) / (records + 1);
    const int stored = HistoryStore::count(QSqlDatabase::database());
    if (stored != records)
        run.error = QStringLiteral("the download stored %1 of %2 records").arg(stored).arg(records);
    return run;
}

/// The long runs time the console, not the line: the instrument answers at once and has no
/// records to offer.
SimOptions longRunOptions()
{
    SimOptions options;
    options.paced = false;
    options.recordCount = 0;
    return options;
}

/// Frames of a steady instrument whose values wander: 1000 of them, used in turn.
QList<QByteArray> readingFrames()
{
    QList<QByteArray> frames;
    for (int i = 0; i < 1000; ++i) {
        const auto avg = std::uint16_t(1000 + (i * 37) % 900);
        const protocol::InstrumentFrame frame =
            protocol::buildFrame(0x12, 0, avg, std::uint16_t(avg + 50), std::uint16_t(avg - 50),
                                 protocol::ReadingMarker);
        frames << QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
    }
    return frames;
}

double timeToFirstPaint(const WorkingDir &dir)
{
    dir.enter();
    double elapsed = 0;
    {
        QElapsedTimer clock;
        clock.start();
        MainWindow w;
        w.show();
        const FirstPaint paint(&w);
        waitUntil([&] { return paint.painted; }, 15000);
        elapsed = elapsedMs(clock);
    }
    QSqlDatabase::removeDatabase(QString::fromLatin1(QSqlDatabase::defaultConnection));
    return elapsed;
}

struct Times {
    QList<double> full;
    QList<double> empty;
};

/// `rounds` of `measure` in each directory. Which goes first alternates, so that a slow moment
/// of the machine does not land on one side only.
Times alternate(int rounds, const WorkingDir &full, const WorkingDir &empty,
                double (*measure)(const WorkingDir &))
{
    Times times;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2) {
            times.empty << measure(empty);
            times.full << measure(full);
        } else {
            times.full << measure(full);
            times.empty << measure(empty);
        }
    }
    return times;
}

/// A fresh process building the window in `dir`, from its launch to its first paint.
double launchToFirstPaint(const WorkingDir &dir)
{
    QProcess child;
    child.setWorkingDirectory(dir.path());
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("startup-window")});
    QByteArray said;
    double elapsed = -1;
    while (child.waitForReadyRead(15000)) {
        said += child.readAllStandardOutput();
        if (said.contains("painted")) {
            elapsed = elapsedMs(clock);
            break;
        }
    }
    child.waitForFinished(15000);
    return elapsed;
}

} // namespace

void modernDownload()
{
    const DownloadRun full = runDownload(DownloadRecords, true);
    if (!full.error.isEmpty()) {
        printNotice(QStringLiteral("download, modern console"), full.error);
    } else {
        const double ratio = ExchangeMs / full.msPerExchange;
        BenchLine line{QStringLiteral("download, modern console"), ratio, BenchLine::Goal::AtLeast,
                       0.98};
        line.figure = QStringLiteral("%1 records, all stored, database on disk: %2 per record, "
                                     "wire %3 (4 bytes out, 11 back, at 4800 baud); %4")
                          .arg(DownloadRecords)
                          .arg(ms(full.msPerExchange), ms(ExchangeMs), ofTheFloor(ratio));
        line.note = QStringLiteral("the simulator paces commands and replies, each way on its "
                                   "own; the next record is asked for only once the last one is "
                                   "in, so the 15 bytes never overlap and 31.25 ms is the limit");
        print(line);
    }

    // The simulator's old line model, for comparison: commands arrive at once.
    const DownloadRun replies = runDownload(ReplyOnlyRecords, false);
    if (!replies.error.isEmpty()) {
        printNotice(QStringLiteral("download, modern, replies paced"), replies.error);
        return;
    }
    BenchLine line{QStringLiteral("download, modern, replies paced"),
                   ReplyMs / replies.msPerExchange};
    line.figure =
        QStringLiteral("%1 records: %2 per record against the %3 the replies take "
                       "alone; console and pty overhead %4 per record")
            .arg(ReplyOnlyRecords)
            .arg(ms(replies.msPerExchange), ms(ReplyMs), ms(replies.msPerExchange - ReplyMs));
    line.note = QStringLiteral("commands arrive at once, as the simulator had it before it "
                               "could pace them: it then implies 22.92 ms, not the line's 31.25");
    print(line);
}

void readingsLongRun()
{
    constexpr int Total = 600000;
    constexpr int Window = 20000;
    constexpr int StartFrom = 10000; // the chart has long been full, caches are warm
    constexpr int Block = 1000;
    constexpr int PaintEvery = 50;

    WorkingDir dir;
    ConnectedConsole console(longRunOptions());
    if (!console.start(QStringLiteral("long run, readings")))
        return;
    MainWindow &w = console.w();
    // The readings come from here, at full speed; the poll would only add real ones. A reading
    // already on its way is let in first.
    MainWindowProbe::pollTimer(w)->stop();
    waitUntil([] { return false; }, 100);
    PaintCounter paints(MainWindowProbe::chartView(w)->viewport());

    const QList<QByteArray> frames = readingFrames();
    const int firstPoint = MainWindowProbe::chartPointCount(w);
    RunWindows run(StartFrom, Window, Total, Block);
    run.measure(PaintEvery, [&](int i) { MainWindowProbe::receive(w, frames[i % frames.size()]); });
    const int added = MainWindowProbe::chartPointCount(w) - firstPoint;

    BenchLine cost{QStringLiteral("long run, cost per reading"), run.endCost() / run.startCost(),
                   BenchLine::Goal::AtMost, 1.5};
    cost.figure = QStringLiteral("%1 per reading at readings %2..%3, %4 at %5..%6 (%7 readings "
                                 "taken, a repaint every %8: %9 chart paints; medians of "
                                 "blocks of %10)")
                      .arg(ms(run.startCost()))
                      .arg(StartFrom)
                      .arg(StartFrom + Window)
                      .arg(ms(run.endCost()))
                      .arg(Total - Window)
                      .arg(Total)
                      .arg(added)
                      .arg(PaintEvery)
                      .arg(paints.count)
                      .arg(Block);
    print(cost);

    BenchLine memory{QStringLiteral("long run, memory per reading"), run.growthPerStep(),
                     BenchLine::Goal::AtMost, 1.0};
    memory.figure = QStringLiteral("bytes per reading: resident %1 at reading %2, %3 at %4; "
                                   "chart series hold %5 points")
                        .arg(mb(run.startResident()))
                        .arg(StartFrom + Window)
                        .arg(mb(run.endResident()))
                        .arg(Total)
                        .arg(MainWindowProbe::seriesAvg(w)->count());
    memory.note = QStringLiteral("flat: at most 1 byte a reading, 0.6 MB a week");
    print(memory);
}

void logLongRun()
{
    // One automatic test every 10 s for a week, one log line each.
    constexpr int Total = 7 * 24 * 360;
    constexpr int Window = 3000;
    constexpr int StartFrom = 1000;
    constexpr int Block = 300;
    constexpr int PaintEvery = 10;

    WorkingDir dir;
    SimOptions options = longRunOptions();
    options.testTimeMs = 0;
    ConnectedConsole console(options);
    if (!console.start(QStringLiteral("long run, log panel")))
        return;
    MainWindow &w = console.w();
    QTextEdit *log = MainWindowProbe::textLog(w);
    const int linesBefore = log->document()->blockCount();

    RunWindows run(StartFrom, Window, Total, Block);
    run.measure(PaintEvery, [&](int) { MainWindowProbe::onAutoTestTimerTimeout(w); });
    const int lines = log->document()->blockCount() - linesBefore;

    BenchLine cost{QStringLiteral("log panel, cost per line"), run.endCost() / run.startCost(),
                   BenchLine::Goal::AtMost, 1.5};
    cost.figure = QStringLiteral("%1 per automatic test and its line at lines %2..%3, %4 at "
                                 "%5..%6 (%7 lines logged, a repaint every %8; medians of "
                                 "blocks of %9)")
                      .arg(ms(run.startCost()))
                      .arg(StartFrom)
                      .arg(StartFrom + Window)
                      .arg(ms(run.endCost()))
                      .arg(Total - Window)
                      .arg(Total)
                      .arg(lines)
                      .arg(PaintEvery)
                      .arg(Block);
    print(cost);

    BenchLine memory{QStringLiteral("log panel, memory per line"), run.growthPerStep()};
    memory.figure = QStringLiteral("bytes per line: resident %1 at line %2, %3 at %4; a line "
                                   "holds %5 characters")
                        .arg(mb(run.startResident()))
                        .arg(StartFrom + Window)
                        .arg(mb(run.endResident()))
                        .arg(Total)
                        .arg(log->document()->lastBlock().text().size());
    memory.note = QStringLiteral("the log keeps every line for the life of the window");
    print(memory);
}

void startupWindow()
{
    const NoSystemPorts ports;
    MainWindow w;
    w.show();
    const FirstPaint paint(&w);
    if (waitUntil([&] { return paint.painted; }, 15000)) {
        std::fputs("painted\n", stdout);
        std::fflush(stdout);
    }
}

void startup()
{
    constexpr int Rounds = 7;
    WorkingDir empty;
    WorkingDir full;
    QString error;
    if (!fillHistory(empty.filePath(QStringLiteral("TestHistory.db")), 0, &error) ||
        !fillHistory(full.filePath(QStringLiteral("TestHistory.db")), LargeHistory, &error)) {
        printNotice(QStringLiteral("start-up, 100 000 records"), error);
        return;
    }

    const Times launches = alternate(Rounds, full, empty, launchToFirstPaint);
    if (launches.empty.contains(-1.0) || launches.full.contains(-1.0)) {
        printNotice(QStringLiteral("start-up, 100 000 records"),
                    QStringLiteral("a launched window never painted"));
        return;
    }
    const double emptyMs = median(launches.empty);
    const double fullMs = median(launches.full);
    BenchLine launch{QStringLiteral("start-up, 100 000 records"), fullMs / emptyMs,
                     BenchLine::Goal::AtMost, 1.2};
    launch.figure = QStringLiteral("launch to the first painted window: %1 with %2 records, %3 "
                                   "with none (medians of %4 launches)")
                        .arg(ms(fullMs))
                        .arg(LargeHistory)
                        .arg(ms(emptyMs))
                        .arg(Rounds);
    print(launch);

    // The window alone, in a process that has built one before: the database's share of the
    // start-up without the process start around it.
    const NoSystemPorts ports;
    timeToFirstPaint(empty);
    const Times windows = alternate(Rounds, full, empty, timeToFirstPaint);
    const double fullWindowMs = median(windows.full);
    const double emptyWindowMs = median(windows.empty);
    BenchLine window{QStringLiteral("start-up, window alone"), fullWindowMs / emptyWindowMs};
    window.figure = QStringLiteral("window built and painted in a warm process: %1 with %2 "
                                   "records, %3 with none (medians of %4)")
                        .arg(ms(fullWindowMs))
                        .arg(LargeHistory)
                        .arg(ms(emptyWindowMs))
                        .arg(Rounds);
    window.note = QStringLiteral("the count of the records is the difference: one page is read");
    print(window);
}

void paging()
{
    constexpr int Rounds = 15;
    WorkingDir dir;
    QString error;
    if (!fillHistory(dir.filePath(QStringLiteral("TestHistory.db")), LargeHistory, &error)) {
        printNotice(QStringLiteral("paging, 100 000 records"), error);
        return;
    }
    const NoSystemPorts ports;
    MainWindow w;
    w.show();
    MainWindowProbe::tabWidget(w)->setCurrentWidget(MainWindowProbe::pageHistory(w));
    pumpEvents();
    const int last = MainWindowProbe::totalPages(w);

    // A click on "next page" from `from`, with the table repainted.
    const auto click = [&w](int from) {
        MainWindowProbe::setCurrentPage(w, from);
        QElapsedTimer clock;
        clock.start();
        MainWindowProbe::onBtnNextPageClicked(w);
        pumpEvents();
        return elapsedMs(clock);
    };
    QList<double> firstTimes;
    QList<double> lastTimes;
    for (int round = 0; round < Rounds; ++round) {
        firstTimes << click(1);
        lastTimes << click(last - 1);
    }
    const bool landed = MainWindowProbe::currentPage(w) == last;

    const double firstMs = median(firstTimes);
    const double lastMs = median(lastTimes);
    BenchLine line{QStringLiteral("paging, 100 000 records"), lastMs / firstMs,
                   BenchLine::Goal::AtMost, 1.5};
    line.figure = QStringLiteral("next page: %1 from page 1, %2 from page %3 of %4%5 "
                                 "(medians of %6, table repainted)")
                      .arg(ms(firstMs), ms(lastMs))
                      .arg(last - 1)
                      .arg(last)
                      .arg(landed ? QString() : QStringLiteral(" (DID NOT LAND)"))
                      .arg(Rounds);
    print(line);
}

void csvExport()
{
    constexpr int Rounds = 3;
    const QString name = QStringLiteral("CSV export, 100 000 records");
    WorkingDir dir;
    const QString sqlite3 =
        sqlite3WithHistory(dir.filePath(QStringLiteral("TestHistory.db")), LargeHistory, name);
    if (sqlite3.isEmpty())
        return;
    // The console's own connection, as its window opens it.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral("TestHistory.db"));
    if (!db.open()) {
        printNotice(name, QStringLiteral("cannot open the database"));
        return;
    }

    const QString ours = dir.filePath(QStringLiteral("report.csv"));
    const QString theirs = dir.filePath(QStringLiteral("sqlite3.csv"));
    // What the export button runs once the file is chosen.
    const auto export_ = [&] {
        QElapsedTimer clock;
        clock.start();
        const CsvReport::Result result = CsvReport::write(ours, HistoryStore::all(db));
        const double elapsed = elapsedMs(clock);
        return result == CsvReport::Result::Written ? elapsed : -1.0;
    };
    QList<double> ourTimes;
    QList<double> theirTimes;
    for (int round = 0; round < Rounds; ++round) {
        ourTimes << export_();
        theirTimes << runSqlite3(sqlite3, theirs);
    }
    if (ourTimes.contains(-1.0) || theirTimes.contains(-1.0)) {
        printNotice(name, QStringLiteral("an export failed"));
        return;
    }
    const double ourMs = median(ourTimes);
    const double theirMs = median(theirTimes);
    BenchLine line{name, ourMs / theirMs, BenchLine::Goal::AtMost, 2.0};
    line.figure = QStringLiteral("report %1 (%2 lines), sqlite3 -csv %3 (%4 lines) (medians of %5)")
                      .arg(ms(ourMs))
                      .arg(lineCount(ours))
                      .arg(ms(theirMs))
                      .arg(lineCount(theirs))
                      .arg(Rounds);
    print(line);
}

} // namespace bench
