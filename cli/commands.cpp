// Dispatch, and the commands that are one exchange with the instrument.
#include "commands.h"

#include "historydownload.h"
#include "historyfile.h"
#include "instrumentlink.h"
#include "portsearch.h"
#include "readingline.h"
#include "terminal.h"

#include <QDateTime>

namespace
{

ExitCode runPorts(const CliRequest &request)
{
    const QList<PortEntry> ports = PortSearching::portsToTry(request.port);
    if (ports.isEmpty()) {
        Terminal::note(QStringLiteral("no serial port found"));
        return request.probe ? ExitCode::NoInstrument : ExitCode::Done;
    }
    PortSearch search;
    if (request.probe) {
        InstrumentLink link;
        search = PortSearching::find(link, ports);
    }
    for (const PortEntry &port : ports) {
        QString line = PortCatalogue::shownName(port);
        if (!port.description.isEmpty())
            line += QStringLiteral("  ") + port.description;
        if (search.found && port.systemLocation == search.location)
            line += QStringLiteral("  [instrument]");
        if (!Terminal::printLine(line))
            return ExitCode::FileError;
    }
    if (request.probe && !search.found) {
        Terminal::note(PortSearching::failureText(search));
        return ExitCode::NoInstrument;
    }
    return ExitCode::Done;
}

ExitCode linkLost(const InstrumentLink &link)
{
    Terminal::note(link.goneText());
    return ExitCode::LinkLost;
}

ExitCode runRead(const CliRequest &request)
{
    InstrumentLink link;
    if (const std::optional<ExitCode> failed = connectInstrument(link, request))
        return *failed;
    // A reading is asked for as often as a download asks for a record; a frame without a
    // measurement counts as no answer.
    for (int attempt = 0; attempt <= HistoryMaxRetries && !link.isLost(); ++attempt) {
        if (!link.send(protocol::Command::RequestReading))
            break;
        const auto frame = link.waitForFrame(ReadingLine::isReadingFrame, HistoryAnswerTimeoutMs);
        const auto reading =
            frame ? ReadingLine::decode(*frame, QDateTime::currentDateTime()) : std::nullopt;
        if (!reading)
            continue;
        const bool printed =
            (request.format != LineFormat::Csv || Terminal::printLine(ReadingLine::csvHeader())) &&
            Terminal::printLine(ReadingLine::format(*reading, request.format));
        return printed ? ExitCode::Done : ExitCode::FileError;
    }
    return linkLost(link);
}

ExitCode sendCommand(const CliRequest &request, protocol::CommandCode code)
{
    InstrumentLink link;
    if (const std::optional<ExitCode> failed = connectInstrument(link, request))
        return *failed;
    if (!link.send(code))
        return linkLost(link);
    link.drain();
    return ExitCode::Done;
}

ExitCode runClear(const CliRequest &request)
{
    QString error;
    if (!request.db.isEmpty() && !HistoryFile::checkExisting(request.db, &error)) {
        Terminal::note(error);
        return ExitCode::FileError;
    }
    InstrumentLink link;
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
    Terminal::note(request.db.isEmpty()
                       ? QStringLiteral("erased the records on the instrument")
                       : QStringLiteral("erased the records on the instrument and in ") +
                             request.db);
    return ExitCode::Done;
}

} // namespace

std::optional<ExitCode> connectInstrument(InstrumentLink &link, const CliRequest &request)
{
    const PortSearch search = PortSearching::find(link, PortSearching::portsToTry(request.port));
    if (search.found) {
        if (request.port.isEmpty())
            Terminal::note(QStringLiteral("instrument found on ") + search.location);
        return std::nullopt;
    }
    if (link.stopRequested())
        return ExitCode::Done;
    Terminal::note(PortSearching::failureText(search));
    return ExitCode::NoInstrument;
}

ExitCode runCommand(const CliRequest &request)
{
    using Command = CliRequest::Command;
    switch (request.command) {
    case Command::Ports:
        return runPorts(request);
    case Command::Read:
        return runRead(request);
    case Command::Watch:
        return runWatch(request);
    case Command::Download:
        return runDownload(request);
    case Command::Export:
        return runExport(request);
    case Command::Test:
        return sendCommand(request, protocol::Command::SingleTest);
    case Command::Calibrate:
        return sendCommand(request, protocol::Command::LineResistanceCheck);
    case Command::Backlight:
        return sendCommand(request, request.on ? protocol::Command::BacklightOn
                                               : protocol::Command::BacklightOff);
    case Command::Buzzer:
        return sendCommand(request,
                           request.on ? protocol::Command::BuzzerOn : protocol::Command::BuzzerOff);
    case Command::Clear:
        return runClear(request);
    case Command::Report:
        return runReport(request);
    }
    return ExitCode::Usage;
}
