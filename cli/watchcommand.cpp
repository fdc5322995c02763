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
#include <QObject>

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
        const PortSearch search = PortSearching::findInstrument(link, request.port);
        if (search.found) {
            Terminal::note(QStringLiteral("instrument found on %1; going on").arg(search.shown));
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
    if (const std::optional<ExitCode> failed = connectInstrument(link, request)) {
        // A logger may start before the instrument is plugged in.
        if (*failed != ExitCode::NoInstrument || !request.reconnect)
            return *failed;
        Terminal::note(QStringLiteral("looking for the instrument every 2 s"));
        link.pause(ReconnectEveryMs);
        if (link.stopRequested() || !findAgain(link, request))
            return interrupted(QStringLiteral("interrupted before the instrument was found"));
    }
    if (!printCsvHeader(request))
        return ExitCode::FileError;

    const qint64 intervalMs = qRound64(request.intervalS * 1000);
    QElapsedTimer clock;
    clock.start();
    qint64 due = 0; // when the next poll goes out
    int printed = 0;
    int unanswered = 0;
    while (!link.stopRequested()) {
        // A poll that came late (a slow answer, a reconnection) moves the ones after it; they
        // never follow each other faster than the interval.
        due = std::max(due, clock.elapsed()) + intervalMs;
        bool answered = false;
        if (link.send(protocol::Command::RequestReading)) {
            const qint64 wait = std::min<qint64>(HistoryAnswerTimeoutMs, due - clock.elapsed());
            if (const auto frame = link.waitForFrame(ReadingLine::isReadingFrame, int(wait))) {
                // A reading without a measurement is an answer too, and a line of its own.
                answered = true;
                const TimedReading reading =
                    ReadingLine::decode(*frame, QDateTime::currentDateTime());
                if (!printResult(ReadingLine::format(reading, request.format)))
                    return ExitCode::FileError;
                if (++printed == request.count)
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
            continue;
        }
        link.pause(int(std::max<qint64>(0, due - clock.elapsed())));
    }
    return ExitCode::Done;
}
