// The legacy console's receive path and download control, driven the way its form drives them:
// 11-byte reads, the read button (its caption carried from click to click), the re-request,
// progress and request timers, the test button, clearing, and the link coming and going.
//   then, repeated  op byte: op % 8 ==
//     0 the next 11 bytes as one read        1 a frame built from the next 8 bytes (mode,
//     2 a click on the read button             battery, A, B, C) whose marker is picked by
//     3 the re-request tick (100 ms)           the op's high bits: reading, count, the
//     4 the progress tick (200 ms)             awaited record or the next byte pair
//     5 a reading or count request tick      6 the test button      7 link up/down, clear
// Every read that shows a value is formatted against a threshold text taken from the input.
#include "fuzzinput.h"
#include "legacystate.h"
#include "protocol.h"
#include "readingformat.h"
#include "recordacquisition.h"

#include <QString>

#include <memory>

namespace
{

using namespace legacy;

struct Form {
    std::unique_ptr<LegacyState> state = std::make_unique<LegacyState>();
    QString caption = ReadCaption;
    LiveChoice choice = LiveChoice::Maximum;
    QString threshold = QStringLiteral("0.0000");
};

// What sendPendingCommand leaves behind.
void send(LegacyState &s)
{
    FUZZ_CHECK(s.pendingCommand >= 0 && s.pendingCommand <= 0xFFFF);
    s.pendingCommand = NoCommand;
}

void checkState(const Form &f)
{
    const LegacyState &s = *f.state;
    FUZZ_CHECK(s.frameCounter >= 0 && s.frameCounter <= 500);
    FUZZ_CHECK(s.downloading == 0 || s.downloading == 1);
    FUZZ_CHECK(s.progressPct <= 100);
    FUZZ_CHECK(s.nextRec >= 0);
    FUZZ_CHECK(s.form2zushu >= 0);
    FUZZ_CHECK(s.pageCount >= 0);
    FUZZ_CHECK((s.downloading == 1) == (f.caption == PauseCaption));
}

void read(Form &f, const QByteArray &bytes)
{
    LegacyState &s = *f.state;
    const int counterBefore = s.frameCounter;
    const qint32 totalBefore = s.recTotal;
    const qint32 nextBefore = s.nextRec;
    const FrameOutcome outcome = receiveFrame(s, bytes, f.choice);
    const bool good = protocol::checkFrame(reinterpret_cast<const quint8 *>(bytes.constData()));
    FUZZ_CHECK(outcome.accepted == good);
    if (!good) {
        FUZZ_CHECK(s.frameCounter == counterBefore && s.recTotal == totalBefore &&
                   s.nextRec == nextBefore);
        return;
    }
    if (outcome.showReading) {
        const FormattedReading shown = formatReading(s.fmtType, s.fmtText);
        FUZZ_CHECK(!shown.text.isEmpty());
        if (const std::optional<quint8> over = alarmCondition(shown, f.threshold))
            s.overLimit = *over;
        FUZZ_CHECK(s.overLimit <= 1);
    }
    if (outcome.requestNext) {
        FUZZ_CHECK(s.pendingCommand == s.nextRec && s.downloading == 1);
        send(s);
    }
    if (outcome.downloadComplete) {
        FUZZ_CHECK(s.downloading == 0);
        f.caption = ReadCaption;
    }
}

QByteArray builtFrame(FuzzInput &in, std::uint8_t op, const LegacyState &s)
{
    const std::uint8_t mode = in.byte();
    const std::uint8_t battery = in.byte();
    const std::uint16_t a = in.word();
    const std::uint16_t b = in.word();
    const std::uint16_t c = in.word();
    std::uint16_t marker = 0;
    switch (op >> 3 & 3) {
    case 0:
        marker = protocol::ReadingMarker;
        break;
    case 1:
        marker = protocol::CountMarker;
        break;
    case 2:
        marker = std::uint16_t(s.nextRec);
        break;
    case 3:
        marker = in.word();
        break;
    }
    const protocol::InstrumentFrame frame = protocol::buildFrame(mode, battery, a, b, c, marker);
    return QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
}

void clickRead(Form &f)
{
    const ReadClick click = legacy::clickRead(*f.state, f.caption);
    f.caption = click.caption;
    if (click.send)
        send(*f.state);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    Form f;
    LegacyState &s = *f.state;
    resetOnLoad(s);
    s.linkUp = 1;
    s.pendingCommand = NoCommand;
    {
        // The threshold text box can hold anything the operator typed.
        std::size_t count = 0;
        const std::uint8_t *text = in.take(in.byte() % 16, count);
        f.threshold = QString::fromUtf8(reinterpret_cast<const char *>(text), qsizetype(count));
    }

    while (!in.empty()) {
        const std::uint8_t op = in.byte();
        switch (op % 8) {
        case 0: {
            std::size_t count = 0;
            const std::uint8_t *bytes = in.take(protocol::FrameSize, count);
            if (count == protocol::FrameSize)
                read(f, QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(count)));
            break;
        }
        case 1:
            read(f, builtFrame(in, op, s));
            break;
        case 2:
            clickRead(f);
            break;
        case 3: {
            const RerequestStep step = rerequestTick(s);
            if (step.send)
                send(s);
            // A dead line pauses the download as the pause button would.
            if (step.deadLine)
                f.caption = ContinueCaption;
            FUZZ_CHECK(s.frameCounterSeen == s.frameCounter);
            break;
        }
        case 4: {
            const ProgressView view = progressTick(s);
            FUZZ_CHECK(!view.visible || (view.value >= 0 && view.value < 100));
            FUZZ_CHECK(s.downloading == 1 || !view.visible);
            break;
        }
        case 5:
            if ((op & 8) ? takeCountRequest(s) : takeReadingRequest(s))
                send(s);
            break;
        case 6:
            // The test button ends a download and starts a fresh comparison.
            s.lastAvg = s.lastMax = s.lastMin = 0;
            s.downloading = 0;
            f.caption = ReadCaption;
            break;
        case 7:
            if (op & 8) {
                clearRecordSlots(s);
                s.pageCount = 0;
            } else {
                s.linkUp = s.linkUp ? 0 : 1;
            }
            f.choice = LiveChoice((op >> 4) % 3);
            break;
        }
        checkState(f);
    }
    return 0;
}
