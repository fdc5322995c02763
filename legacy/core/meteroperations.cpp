#include "meteroperations.h"

#include "numbertext.h"
#include "protocol.h"

#include <cmath>

namespace legacy
{

AutoTestStep autoTestTick(LegacyState &state)
{
    AutoTestStep step;
    // The next reading starts a fresh comparison for the chart history.
    state.lastAvg = state.lastMax = state.lastMin = 0;
    if (state.downloading == 0 && state.linkUp == 1 && state.pendingCommand == NoCommand) {
        state.pendingCommand = protocol::Command::SingleTest;
        step.sendTest = true;
    }
    step.reopen = state.frameCounterSeen == state.frameCounter;
    state.frameCounterSeen = state.frameCounter;
    return step;
}

std::optional<double> intervalFromText(const QString &text, double factor)
{
    const std::optional<double> number = parseNumber(text);
    if (!number)
        return std::nullopt;
    return std::nearbyint(*number * factor);
}

void clearDownloadedRecords(LegacyState &state)
{
    clearRecordSlots(state);
    state.pageCount = 0;
}

Toggle toggle(const QString &caption, const QString &offer, quint16 offerCode, const QString &other,
              quint16 otherCode)
{
    if (caption == offer)
        return {other, offerCode};
    return {offer, otherCode};
}

} // namespace legacy
