// watch: a reading every interval, one line each, until stopped or the count is reached.
#include "commands.h"

#include "historydownload.h"
#include "instrumentlink.h"
#include "portsearch.h"
#include "readingline.h"
#include "stopsignals.h"
#include "terminal.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>

namespace
{

constexpr int ReconnectEveryMs = 2000;

/// Looks for the instrument every 2 s until it answers (true) or a stop is requested.
bool findAgain(InstrumentLink &link, const CliRequest &request)
{
    for (;;) {
        link.close();
        QElapsedTimer round;
        round.start();
        const PortSearch search =
            PortSearching::find(link, PortSearching::portsToTry(request.port));
        if (search.found) {
            Terminal::note(QStringLiteral("instrument found on %1; going on").arg(search.location));
            return true;
        }
        if (link.stopRequested())
            return false;
        link.pause(int(std::max<qint64>(0, ReconnectEveryMs - round.elapsed())));
        if (link.stopRequested())
            return false;
    }
}

} // namespace

ExitCode runWatch(const CliRequest &request)
{
    InstrumentLink link;
    const StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &link,
                     &InstrumentLink::requestStop);
    if (const std::optional<ExitCode> failed = connectInstrument(link, request))
        return *failed;
    if (request.format == LineFormat::Csv && !Terminal::printLine(ReadingLine::csvHeader()))
        return ExitCode::FileError;

    const qint64 intervalMs = qRound64(request.intervalS * 1000);
    QElapsedTimer clock;
    clock.start();
    qint64 due = 0;
    int printed = 0;
    int unanswered = 0;
    while (!link.stopRequested()) {
        due += intervalMs;
        bool answered = false;
        if (link.send(protocol::Command::RequestReading)) {
            const qint64 wait = std::min<qint64>(HistoryAnswerTimeoutMs, due - clock.elapsed());
            if (const auto frame = link.waitForFrame(ReadingLine::isReadingFrame, int(wait))) {
                answered = true;
                const auto reading = ReadingLine::decode(*frame, QDateTime::currentDateTime());
                if (reading && !Terminal::printLine(ReadingLine::format(*reading, request.format)))
                    return ExitCode::FileError;
                if (reading && ++printed == request.count)
                    return ExitCode::Done;
            }
        }
        if (link.stopRequested())
            break;
        // A link that errs is gone at once; a silent one after as many polls as a download
        // asks for a record.
        unanswered = answered ? 0 : unanswered + 1;
        const bool lost = link.isLost() || unanswered > HistoryMaxRetries;
        if (lost) {
            const QString why = link.goneText();
            if (!request.reconnect) {
                Terminal::note(why);
                return ExitCode::LinkLost;
            }
            Terminal::note(why + QStringLiteral("; looking for the instrument every 2 s"));
            if (!findAgain(link, request))
                break;
            unanswered = 0;
            due = clock.elapsed();
            continue;
        }
        link.pause(int(std::max<qint64>(0, due - clock.elapsed())));
    }
    return ExitCode::Done;
}
