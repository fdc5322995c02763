#include "legacybench.h"

#include "benchline.h"
#include "benchutil.h"
#include "form1probe.h"
#include "historyfill.h"
#include "mscomm.h"
#include "protocol.h"
#include "recordacquisition.h"
#include "recordgenerator.h"
#include "recordtext.h"
#include "simfloor.h"
#include "simthread.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>

#include <algorithm>
#include <memory>
#include <utility>

namespace bench
{

namespace
{

/// Each request goes out twice and both copies are answered: 8 bytes out, 22 back.
constexpr double RepliesOnlyMs = 22 * ByteMs;
constexpr double NothingOverlapsMs = 30 * ByteMs;
/// The console asks for the record count every 800 ms, also during a download, and both
/// copies are answered too: that much of the line is not left for records.
constexpr double CountPollMs = 800;
constexpr double WithCountPollsMs = RepliesOnlyMs * CountPollMs / (CountPollMs - RepliesOnlyMs);

constexpr int DownloadRecords = 1000;

/// A full record table as a download of 10 000 records leaves it, made like the simulator's.
void fillRecords(legacy::LegacyState &state)
{
    for (int n = 1; n <= legacy::MaxRecords; ++n) {
        const protocol::InstrumentFrame frame = sim::generateRecord(1, std::uint16_t(n));
        const auto i = std::size_t(n);
        state.recNo[i] = n;
        state.recType[i] = frame[0];
        state.recAvg[i] = protocol::readValue(frame.data(), protocol::Value::A);
        state.recMax[i] = protocol::readValue(frame.data(), protocol::Value::B);
        state.recMin[i] = protocol::readValue(frame.data(), protocol::Value::C);
    }
    state.recTotal = legacy::MaxRecords;
    state.meterRecCount = legacy::MaxRecords;
    state.pageCount = (legacy::MaxRecords + legacy::RecordsPerPage - 1) / legacy::RecordsPerPage;
    state.curPage = 1;
}

/// While it lives the form finds its ports through `resolver`.
class PortsScope
{
public:
    explicit PortsScope(MSComm::PortResolver resolver)
    {
        MSComm::setPortResolver(std::move(resolver));
    }
    ~PortsScope() { MSComm::setPortResolver({}); }
    PortsScope(const PortsScope &) = delete;
    PortsScope &operator=(const PortsScope &) = delete;
};

/// The main form over a full record table, shown with its record boxes and painted. Its timers
/// are stopped, so only what a benchmark does runs, and no port number has a port behind it.
struct FullRecordForm {
    FullRecordForm() : form(*state)
    {
        Form1Probe::stopTimers(form);
        fillRecords(*state);
        form.show();
        Form1Probe::showBoxes(form, true);
        pumpEvents();
    }

    const PortsScope ports{[](int) { return QString(); }};
    const std::unique_ptr<legacy::LegacyState> state = std::make_unique<legacy::LegacyState>();
    Form1 form;
};

/// Downloads DownloadRecords records from the instrument on `port`: the milliseconds per
/// record, or -1 with `error` set.
double downloadRecords(const QString &port, QString *error)
{
    // Port 1 is the instrument; no other number has a port behind it.
    const PortsScope ports([port](int n) { return n == 1 ? port : QString(); });
    const auto state = std::make_unique<legacy::LegacyState>();
    Form1 form(*state);
    form.show();
    auto *linkLabel = form.findChild<QLabel *>(QStringLiteral("Label17"));
    auto *readButton = form.findChild<QPushButton *>(QStringLiteral("Command5"));
    const bool ready = waitUntil(
        [&] {
            return linkLabel->text() == QStringLiteral("连接成功") &&
                   state->meterRecCount == DownloadRecords;
        },
        20000);
    if (!ready) {
        *error = QStringLiteral("the console did not find the instrument and its count");
        return -1;
    }
    QElapsedTimer clock;
    clock.start();
    readButton->click();
    const bool done = waitUntil(
        [&] { return state->downloading == 0 && readButton->text() == legacy::ReadCaption; },
        DownloadRecords * 500);
    const double perRecord = elapsedMs(clock) / DownloadRecords;
    int stored = 0;
    for (int n = 1; n <= DownloadRecords; ++n)
        stored += state->recNo[std::size_t(n)] == n ? 1 : 0;
    if (!done || stored != DownloadRecords) {
        *error = QStringLiteral("the download did not finish: %1 of %2 records stored")
                     .arg(stored)
                     .arg(DownloadRecords);
        return -1;
    }
    return perRecord;
}

} // namespace

void legacyDownload()
{
    const QString name = QStringLiteral("download, legacy console");
    SimOptions options = pacedInstrument(DownloadRecords);
    options.answerDoubledCommands = true;
    SimThread sim(options);
    if (!sim.open()) {
        printNotice(name, QStringLiteral("no pseudo-terminal: ") + sim.errorString());
        return;
    }
    QString error;
    const double perRecord = downloadRecords(sim.slavePath(), &error);
    if (perRecord < 0) {
        printNotice(name, error);
        return;
    }

    // The console's limit: the replies to its record requests and to the count it polls every
    // 800 ms meanwhile, as it must; those polls are its own traffic, not time it loses.
    const double ratio = WithCountPollsMs / perRecord;
    BenchLine line{name, ratio, BenchLine::Goal::AtLeast, 0.95};
    line.figure = QStringLiteral("%1 records: %2 per record; its limit %3 (22 bytes back a record, "
                                 "with the count polled every 800 ms meanwhile), %4 with the "
                                 "record replies alone (ratio %5 to that), %6 if nothing "
                                 "overlapped (8 out + 22 back, ratio %7 to that); %8")
                      .arg(DownloadRecords)
                      .arg(ms(perRecord), ms(WithCountPollsMs), ms(RepliesOnlyMs))
                      .arg(RepliesOnlyMs / perRecord, 0, 'f', 3)
                      .arg(ms(NothingOverlapsMs))
                      .arg(NothingOverlapsMs / perRecord, 0, 'f', 3)
                      .arg(ofTheFloor(ratio));
    line.note = QStringLiteral("simulator is full duplex: the next request crosses while the "
                               "second copy's reply comes back, so replies are the limit, the "
                               "count polls' among them (%1 of the record replies alone)")
                    .arg(RepliesOnlyMs / WithCountPollsMs, 0, 'f', 3);
    print(line);
}

void legacyPage()
{
    constexpr int Rounds = 15;
    const QString name = QStringLiteral("legacy record page");
    FullRecordForm full;
    const auto lastPage = qint16(full.state->pageCount);

    // A page built into both boxes and painted.
    const auto build = [&full](qint16 page) {
        QElapsedTimer clock;
        clock.start();
        full.form.ShowRecordPage(page);
        pumpEvents();
        return elapsedMs(clock);
    };
    QList<double> firstTimes;
    QList<double> lastTimes;
    for (int round = 0; round < Rounds; ++round) {
        firstTimes << build(1);
        lastTimes << build(lastPage);
    }
    const double firstMs = median(firstTimes);
    const double lastMs = median(lastTimes);
    const double pageMs = std::max(firstMs, lastMs);
    BenchLine line{name, pageMs / RepliesOnlyMs, BenchLine::Goal::AtMost, 1.0};
    line.figure = QStringLiteral("page 1 of %1: %2, page %1: %3, against %4 a record takes "
                                 "on the line (medians of %5, boxes painted)")
                      .arg(lastPage)
                      .arg(ms(firstMs), ms(lastMs), ms(RepliesOnlyMs))
                      .arg(Rounds);
    line.note = QStringLiteral("the download rebuilds page 1 on each of records 15..47, so a "
                               "page must be built within one record's time");
    print(line);
}

void legacySave()
{
    constexpr int Rounds = 5;
    const QString name = QStringLiteral("legacy saving, 10 000 records");
    WorkingDir dir;
    const QString sqlite3 = sqlite3WithHistory(dir.filePath(QStringLiteral("TestHistory.db")),
                                               legacy::MaxRecords, name);
    if (sqlite3.isEmpty())
        return;
    QList<double> saveTimes;
    qsizetype savedLines = 0;
    {
        FullRecordForm full;
        const QString path = dir.filePath(QStringLiteral("KOVA.txt"));
        // What the save button runs once the file is chosen.
        const auto save = [&] {
            QElapsedTimer clock;
            clock.start();
            const QByteArray bytes = legacy::recordFileBytes(
                legacy::recordFileLines(*full.state, Form1Probe::valueFormatter(full.form)));
            QSaveFile file(path);
            const bool saved = file.open(QIODevice::WriteOnly) &&
                               file.write(bytes) == bytes.size() && file.commit();
            return saved ? elapsedMs(clock) : -1.0;
        };
        for (int round = 0; round < Rounds; ++round)
            saveTimes << save();
        savedLines = lineCount(path);
    }

    const QString theirs = dir.filePath(QStringLiteral("sqlite3.csv"));
    QList<double> sqliteTimes;
    for (int round = 0; round < Rounds; ++round)
        sqliteTimes << runSqlite3(sqlite3, theirs);
    if (saveTimes.contains(-1.0) || sqliteTimes.contains(-1.0)) {
        printNotice(name, QStringLiteral("a save or an export failed"));
        return;
    }
    const double saveMs = median(saveTimes);
    const double sqliteMs = median(sqliteTimes);
    BenchLine line{name, saveMs / sqliteMs, BenchLine::Goal::AtMost, 2.0};
    line.figure = QStringLiteral("KOVA.txt %1 (%2 lines, committed to disk), sqlite3 -csv of "
                                 "%3 records %4 (%5 lines) (medians of %6)")
                      .arg(ms(saveMs))
                      .arg(savedLines)
                      .arg(legacy::MaxRecords)
                      .arg(ms(sqliteMs))
                      .arg(lineCount(theirs))
                      .arg(Rounds);
    print(line);
}

} // namespace bench
