// Dispatch, and the commands that are one exchange with the instrument.
#include "commands.h"

#include "historydownload.h"
#include "historyfile.h"
#include "instrumentlink.h"
#include "portlisting.h"
#include "portsearch.h"
#include "readingline.h"
#include "stopsignals.h"
#include "terminal.h"

#include <QDateTime>
#include <QElapsedTimer>

namespace
{

/// The longest a single test takes the instrument.
constexpr int TestLongestMs = 8500;
/// As the console does, no reading is asked for within a second of a test command...
constexpr int QuietAfterTestMs = 1000;
/// ...and then every half second until the test's reading is in.
constexpr int TestPollMs = 500;

/// `bytes` on standard output, or a note why they could not be written.
bool printBytes(const QByteArray &bytes)
{
    if (Terminal::print(bytes))
        return true;
    const QString reason = qt_error_string();
    Terminal::note(QStringLiteral("cannot write to standard output: ") + reason);
    return false;
}

ExitCode linkLost(const InstrumentLink &link)
{
    Terminal::note(link.goneText());
    return ExitCode::LinkLost;
}

/// The link's end: a stop, or the instrument gone.
ExitCode linkEnded(const InstrumentLink &link)
{
    return link.stopRequested() ? interrupted(QStringLiteral("interrupted before a reading came"))
                                : linkLost(link);
}

/// One reading frame, asked for as often as a download asks for a record.
std::optional<protocol::InstrumentFrame> askReading(InstrumentLink &link)
{
    for (int attempt = 0; attempt <= HistoryMaxRetries && !link.isLost(); ++attempt) {
        if (!link.send(protocol::Command::RequestReading))
            break;
        if (const auto frame =
                link.waitForFrame(ReadingLine::isReadingFrame, HistoryAnswerTimeoutMs))
            return frame;
        if (link.stopRequested())
            break;
    }
    return std::nullopt;
}

bool printReading(const protocol::InstrumentFrame &frame, const CliRequest &request)
{
    const TimedReading reading = ReadingLine::decode(frame, QDateTime::currentDateTime());
    return printCsvHeader(request) && printResult(ReadingLine::format(reading, request.format));
}

ExitCode runPorts(const CliRequest &request, InstrumentLink &link)
{
    const QList<PortEntry> ports = PortSearching::portsToTry(request.port);
    PortSearch search;
    if (request.probe && !ports.isEmpty()) {
        search = PortSearching::find(link, ports,
                                     request.port.isEmpty() ? 1 : PortSearching::NamedPortProbes);
        if (link.stopRequested())
            return interrupted(QStringLiteral("interrupted while the ports were probed"));
    }
    if (request.format == LineFormat::Json) {
        const std::optional<QString> found =
            request.probe ? std::optional<QString>(search.location) : std::nullopt;
        if (!printBytes(PortListing::json(ports, found)))
            return ExitCode::FileError;
    } else {
        for (const PortEntry &port : ports) {
            if (!printResult(PortListing::line(port, search.found &&
                                                         port.systemLocation == search.location)))
                return ExitCode::FileError;
        }
    }
    if (ports.isEmpty()) {
        Terminal::note(QStringLiteral("no serial port found"));
        return request.probe ? ExitCode::NoInstrument : ExitCode::Done;
    }
    if (request.probe && !search.found) {
        Terminal::note(PortSearching::failureText(search));
        return ExitCode::NoInstrument;
    }
    return ExitCode::Done;
}

ExitCode runRead(const CliRequest &request, InstrumentLink &link)
{
    if (const std::optional<ExitCode> failed = connectInstrument(link, request))
        return *failed;
    const auto frame = askReading(link);
    if (!frame)
        return linkEnded(link);
    return printReading(*frame, request) ? ExitCode::Done : ExitCode::FileError;
}

/// A single test; with --wait, the reading it gives. The instrument does not say when a test
/// is done: its reading changes, or after the longest a test takes it is the test's even if
/// it reads as before.
ExitCode runTest(const CliRequest &request, InstrumentLink &link)
{
    if (const std::optional<ExitCode> failed = connectInstrument(link, request))
        return *failed;
    std::optional<protocol::InstrumentFrame> before;
    if (request.wait && !(before = askReading(link)))
        return linkEnded(link);
    if (!link.send(protocol::Command::SingleTest))
        return linkLost(link);
    if (!request.wait) {
        link.drain();
        return ExitCode::Done;
    }
    QElapsedTimer sinceTest;
    sinceTest.start();
    link.pause(QuietAfterTestMs);
    while (sinceTest.elapsed() < TestLongestMs && !link.isLost() && !link.stopRequested()) {
        // Unanswered requests are no reason to give up while the instrument may be testing.
        if (!link.send(protocol::Command::RequestReading))
            break;
        const auto frame = link.waitForFrame(ReadingLine::isReadingFrame, HistoryAnswerTimeoutMs);
        if (frame && *frame != *before && ReadingLine::decode(*frame, {}).measured)
            return printReading(*frame, request) ? ExitCode::Done : ExitCode::FileError;
        link.pause(TestPollMs);
    }
    if (link.isLost() || link.stopRequested())
        return linkEnded(link);
    const auto frame = askReading(link);
    if (!frame)
        return linkEnded(link);
    return printReading(*frame, request) ? ExitCode::Done : ExitCode::FileError;
}

ExitCode sendCommand(const CliRequest &request, InstrumentLink &link, protocol::CommandCode code)
{
    if (const std::optional<ExitCode> failed = connectInstrument(link, request))
        return *failed;
    if (!link.send(code))
        return linkLost(link);
    link.drain();
    return ExitCode::Done;
}

ExitCode runClear(const CliRequest &request, InstrumentLink &link)
{
    QString error;
    if (!request.db.isEmpty() && !HistoryFile::checkExisting(request.db, &error)) {
        Terminal::note(error);
        return ExitCode::FileError;
    }
    if (const std::optional<ExitCode> failed = connectInstrument(link, request))
        return *failed;
    // As in the console: the instrument is told only once the local records are gone.
    if (!request.db.isEmpty() && !HistoryFile::clearRecords(request.db, &error)) {
        Terminal::note(error + QStringLiteral("; the instrument's records are kept"));
        return ExitCode::FileError;
    }
    if (!link.send(protocol::Command::ClearRecords))
        return linkLost(link);
    link.drain();
    if (!request.quiet)
        Terminal::note(request.db.isEmpty()
                           ? QStringLiteral("erased the records on the instrument")
                           : QStringLiteral("erased the records on the instrument and in ") +
                                 request.db);
    return ExitCode::Done;
}

} // namespace

std::optional<ExitCode> connectInstrument(InstrumentLink &link, const CliRequest &request)
{
    const PortSearch search = PortSearching::findInstrument(link, request.port);
    if (search.found) {
        if (request.port.isEmpty() && !request.quiet)
            Terminal::note(QStringLiteral("instrument found on ") + search.shown);
        return std::nullopt;
    }
    if (link.stopRequested())
        return interrupted(QStringLiteral("interrupted before the instrument was found"));
    Terminal::note(PortSearching::failureText(search));
    return ExitCode::NoInstrument;
}

bool printResult(const QString &line)
{
    return printBytes(line.toUtf8() + '\n');
}

bool printCsvHeader(const CliRequest &request)
{
    return request.format != LineFormat::Csv || request.noHeader ||
           printResult(ReadingLine::csvHeader());
}

ExitCode interrupted(const QString &message)
{
    Terminal::note(message);
    return ExitCode::Interrupted;
}

ExitCode runCommand(const CliRequest &request)
{
    using Command = CliRequest::Command;
    // These stop on SIGINT and SIGTERM in their own ways.
    switch (request.command) {
    case Command::Watch:
        return runWatch(request);
    case Command::Download:
        return runDownload(request);
    case Command::Export:
        return runExport(request);
    default:
        break;
    }

    InstrumentLink link;
    const StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &link,
                     &InstrumentLink::requestStop);
    switch (request.command) {
    case Command::Ports:
        return runPorts(request, link);
    case Command::Read:
        return runRead(request, link);
    case Command::Test:
        return runTest(request, link);
    case Command::Calibrate:
        return sendCommand(request, link, protocol::Command::LineResistanceCheck);
    case Command::Backlight:
        return sendCommand(request, link,
                           request.on ? protocol::Command::BacklightOn
                                      : protocol::Command::BacklightOff);
    case Command::Buzzer:
        return sendCommand(request, link,
                           request.on ? protocol::Command::BuzzerOn : protocol::Command::BuzzerOff);
    case Command::Clear:
        return runClear(request, link);
    default:
        break;
    }
    return ExitCode::Usage;
}
