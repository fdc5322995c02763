#include "recordacquisition.h"

#include "numbertext.h"
#include "protocol.h"

#include <algorithm>
#include <cmath>

namespace legacy
{

namespace
{

constexpr int MaxFrameCounter = 500;

// The next download continues with the awaited record.
void pauseDownload(LegacyState &state)
{
    state.resumeRec = state.nextRec;
    state.downloading = 0;
}

void takeLiveReading(LegacyState &state, const quint8 *frame, LiveChoice choice)
{
    using protocol::Value;
    const qint32 a = protocol::readValue(frame, Value::A);
    const qint32 b = protocol::readValue(frame, Value::B);
    const qint32 c = protocol::readValue(frame, Value::C);
    switch (frame[0] >> 4) {
    case 1:
        state.avgText = QString::number(a);
        state.maxText = QString::number(b);
        state.minText = QString::number(c);
        if (a == state.lastAvg && b == state.lastMax && c == state.lastMin)
            pushHistory(state, a, b, c, quint8(frame[0] & 0x0F));
        state.lastAvg = a;
        state.lastMax = b;
        state.lastMin = c;
        state.fmtText = choice == LiveChoice::Maximum   ? state.maxText
                        : choice == LiveChoice::Minimum ? state.minText
                                                        : state.avgText;
        break;
    case 2:
        state.voltText = QString::number(a);
        state.fmtText = state.voltText;
        break;
    case 3:
        state.curText = QString::number(a);
        state.fmtText = state.curText;
        break;
    default:
        break;
    }
}

void takeRecord(LegacyState &state, const quint8 *frame, FrameOutcome &outcome)
{
    using protocol::Value;
    const qint32 n = state.nextRec;
    if (n >= 0 && n <= MaxRecords) {
        state.recAvg[n] = protocol::readValue(frame, Value::A);
        state.recMin[n] = protocol::readValue(frame, Value::C);
        state.recMax[n] = protocol::readValue(frame, Value::B);
        state.recNo[n] = n;
        state.recType[n] = frame[0];
    }
    // The print-options window counts in 16 bits; larger numbers leave it where it was.
    if (n <= 32767)
        state.form2zushu = static_cast<qint16>(n);
    state.nextRec = n + 1;
    state.pageCount = (state.meterRecCount + RecordsPerPage - 1) / RecordsPerPage;
    if (state.nextRec > state.meterRecCount) {
        state.downloading = 0;
        state.resumeRec = 1;
        state.progressPct = 0;
        state.curPage = 1;
        outcome.downloadComplete = true;
        outcome.showPage = true;
        outcome.beyondStore = state.meterRecCount > MaxRecords;
        return;
    }
    // Keep the first page filling while its records arrive.
    if (state.nextRec >= 15 && state.nextRec <= 47) {
        state.curPage = 1;
        outcome.showPage = true;
    }
    state.resendCount = 0;
    state.pendingCommand = state.nextRec;
    outcome.requestNext = true;
}

} // namespace

FrameOutcome receiveFrame(LegacyState &state, const QByteArray &bytes, LiveChoice choice)
{
    FrameOutcome outcome;
    if (bytes.size() < int(protocol::FrameSize))
        return outcome;
    const auto *frame = reinterpret_cast<const quint8 *>(bytes.constData());
    if (!protocol::checkFrame(frame))
        return outcome;
    outcome.accepted = true;
    state.frameSeen = 1;
    state.silentTicks = 0;
    if (++state.frameCounter > MaxFrameCounter)
        state.frameCounter = 0;
    state.fmtType = frame[0];
    const quint16 marker = protocol::readMarker(frame);

    if (state.downloading == 0 && protocol::isLegacyReadingFrame(frame)) {
        const int kind = frame[0] >> 4;
        takeLiveReading(state, frame, choice);
        outcome.showReading = kind >= 1 && kind <= 3;
    }
    if (protocol::isLegacyCountFrame(frame)) {
        state.recTotal = protocol::readValue(frame, protocol::Value::A);
        state.meterRecCount = state.recTotal;
    }
    if (state.downloading == 1 && marker == state.nextRec)
        takeRecord(state, frame, outcome);
    return outcome;
}

void pushHistory(LegacyState &state, qint32 avg, qint32 max, qint32 min, quint8 decimals)
{
    const auto shift = [](auto &history) {
        std::copy_backward(history.begin(), history.begin() + HistoryKept,
                           history.begin() + HistoryKept + 1);
    };
    shift(state.histAvg);
    shift(state.histMax);
    shift(state.histMin);
    shift(state.histDec);
    state.histAvg[0] = avg;
    state.histMin[0] = min;
    state.histMax[0] = max;
    state.histDec[0] = decimals;
}

ReadClick clickRead(LegacyState &state, const QString &caption)
{
    ReadClick click;
    click.caption = caption;
    state.curPage = 1;
    if (state.linkUp != 1) {
        click.message = ReadMessage::NotConnected;
        click.caption = ReadCaption;
        state.downloading = 0;
        return click;
    }
    if (caption != ContinueCaption && caption != ReadCaption) {
        click.caption = ContinueCaption;
        pauseDownload(state);
        return click;
    }
    if (caption == ReadCaption) {
        click.showBoxes = true;
        state.resumeRec = 1;
    }
    if (state.meterRecCount != 0 && state.meterRecCount != NoCountReported) {
        click.blankBoxes = true;
        click.caption = PauseCaption;
        state.nextRec = state.resumeRec;
        state.pendingCommand = state.resumeRec;
        state.downloading = 1;
        state.silentTicks = 0;
        state.pageCount = 0;
        click.send = true;
    } else {
        click.message = ReadMessage::NoRecords;
    }
    return click;
}

RerequestStep rerequestTick(LegacyState &state)
{
    RerequestStep step;
    if (state.downloading == 1 && ++state.silentTicks > DeadLineTicks) {
        // Nothing at all came back for 3 s: the cable is out or the instrument is off. Hold the
        // download where it is, as the pause button does, and let the link supervisor count
        // the silence from now on (the last frame it saw is stale).
        pauseDownload(state);
        state.frameSeen = 0;
        step.deadLine = true;
    }
    if (state.downloading == 1) {
        if (state.nextRec == state.lastPolledRec) {
            state.pendingCommand = state.nextRec;
            step.send = true;
            ++state.resendCount;
        }
        state.lastPolledRec = state.nextRec;
        if (state.resendCount > 6) {
            state.resendCount = 0;
            step.reopen = true;
        }
    }
    state.frameCounterSeen = state.frameCounter;
    return step;
}

ProgressView progressTick(LegacyState &state)
{
    if (state.downloading != 1)
        return {};
    if (state.meterRecCount < state.nextRec)
        state.progressPct = 100;
    else
        state.progressPct =
            static_cast<quint8>(std::nearbyint(double(state.nextRec) / state.meterRecCount * 100));
    if (state.progressPct < 100)
        return {true, state.progressPct};
    return {false, 0};
}

bool takeReadingRequest(LegacyState &state)
{
    if (state.downloading != 0 || state.linkUp != 1 || state.pendingCommand != NoCommand)
        return false;
    state.pendingCommand = protocol::Command::RequestReading;
    return true;
}

bool takeCountRequest(LegacyState &state)
{
    if (state.linkUp != 1 || state.pendingCommand != NoCommand)
        return false;
    state.pendingCommand = protocol::Command::RequestRecordCount;
    return true;
}

} // namespace legacy
