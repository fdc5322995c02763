// The modern console's receive path: the handshake search before the link is up, then the
// 11-byte window over the receive buffer, the routing by the download flags, and the decoding
// of readings and records. The input interleaves pieces of the byte stream with the operator's
// and the link's events, which set and clear the flags between pieces:
//   byte 0          bit 0: the link is already up
//   then, repeated  op byte: op % 4 == 0 deliver the next op / 4 + 1 bytes as one piece,
//                   1 start a download, 2 the download gives up (watchdog), 3 rescan
#include "framescanner.h"
#include "fuzzinput.h"
#include "historyrecord.h"
#include "livereading.h"
#include "protocol.h"

#include <cmath>
#include <vector>

namespace
{

using Bytes = std::vector<std::uint8_t>;

struct Console {
    bool isConnected = false;
    bool awaitingHistoryCount = false;
    bool isSyncingHistory = false;
    int historyIndex = 1;
    int historyTotal = 0;
    Bytes rxBuffer;

    // Everything received since the link came up, and the frames taken from it piece by piece.
    Bytes session;
    std::vector<protocol::InstrumentFrame> frames;
};

void checkDecodedValue(double value, std::uint16_t raw)
{
    FUZZ_CHECK(std::isfinite(value));
    FUZZ_CHECK((raw == protocol::OverRangeRaw) == protocol::isOverRange(std::fabs(value)));
}

void checkReading(const protocol::InstrumentFrame &frame)
{
    const LiveReading reading = decodeLiveReading(frame.data());
    const int kind = frame[0] >> 4;
    FUZZ_CHECK(reading.decimals == (frame[0] & 0x0F));
    switch (reading.kind) {
    case LiveReading::Kind::None:
        FUZZ_CHECK(kind == 0 || kind > 5);
        break;
    case LiveReading::Kind::Resistance:
        FUZZ_CHECK(kind == 1 || kind == 3);
        FUZZ_CHECK(reading.unit == (kind == 1 ? QStringLiteral("Ω") : QStringLiteral("kΩ")));
        checkDecodedValue(reading.avg, protocol::readValue(frame.data(), protocol::Value::A));
        checkDecodedValue(reading.max, protocol::readValue(frame.data(), protocol::Value::B));
        checkDecodedValue(reading.min, protocol::readValue(frame.data(), protocol::Value::C));
        FUZZ_CHECK(reading.avg >= 0 && reading.avgOhms >= reading.avg);
        FUZZ_CHECK(protocol::isOverRange(reading.avg) == protocol::isOverRange(reading.avgOhms) ||
                   kind == 3);
        break;
    case LiveReading::Kind::Voltage:
        FUZZ_CHECK(kind == 2 || kind == 4 || kind == 5);
        checkDecodedValue(reading.voltage, protocol::readValue(frame.data(), protocol::Value::A));
        FUZZ_CHECK(!reading.voltageText.isEmpty());
        FUZZ_CHECK((reading.voltageText == QStringLiteral("OL")) ==
                   protocol::isOverRange(reading.voltage));
        FUZZ_CHECK(kind == 5 ? reading.voltage <= 0 || protocol::isOverRange(reading.voltage)
                             : reading.voltage >= 0);
        break;
    }
}

void takeCount(Console &c, const protocol::InstrumentFrame &frame)
{
    FUZZ_CHECK(c.awaitingHistoryCount && !c.isSyncingHistory);
    FUZZ_CHECK(protocol::readMarker(frame.data()) == protocol::CountMarker);
    c.awaitingHistoryCount = false;
    c.historyTotal = protocol::readValue(frame.data(), protocol::Value::A);
    if (c.historyTotal > 0) {
        c.isSyncingHistory = true;
        c.historyIndex = 1;
    }
}

void takeRecord(Console &c, const protocol::InstrumentFrame &frame)
{
    FUZZ_CHECK(c.isSyncingHistory && !c.awaitingHistoryCount);
    FUZZ_CHECK(protocol::readMarker(frame.data()) == c.historyIndex);
    if (const std::optional<HistoryRecord> record =
            decodeHistoryRecord(frame.data(), c.historyIndex)) {
        const int kind = frame[0] >> 4;
        FUZZ_CHECK(kind >= 1 && kind <= 5);
        FUZZ_CHECK(record->record_index == c.historyIndex);
        FUZZ_CHECK(record->battery == frame[1]);
        FUZZ_CHECK(isVoltageRecord(record->data_type) == (record->unit == QStringLiteral("V")));
        FUZZ_CHECK(isVoltageRecord(record->data_type) == (kind != 1 && kind != 3));
        checkDecodedValue(record->avg_value, protocol::readValue(frame.data(), protocol::Value::A));
        checkDecodedValue(record->max_value, protocol::readValue(frame.data(), protocol::Value::B));
        checkDecodedValue(record->min_value, protocol::readValue(frame.data(), protocol::Value::C));
        FUZZ_CHECK(record->max_value >= 0 && record->min_value >= 0);
    }
    if (++c.historyIndex > c.historyTotal)
        c.isSyncingHistory = false;
}

void dispatch(Console &c, const protocol::InstrumentFrame &frame)
{
    FUZZ_CHECK(protocol::checkFrame(frame.data()));
    const protocol::DispatchState state{c.awaitingHistoryCount, c.isSyncingHistory, c.historyIndex};
    switch (protocol::routeFrame(frame.data(), state)) {
    case protocol::FrameRoute::HistoryCount:
        takeCount(c, frame);
        break;
    case protocol::FrameRoute::HistoryRecord:
        takeRecord(c, frame);
        break;
    case protocol::FrameRoute::Reading:
        FUZZ_CHECK(!c.awaitingHistoryCount && !c.isSyncingHistory);
        FUZZ_CHECK(protocol::isModernReadingFrame(frame.data()));
        checkReading(frame);
        break;
    case protocol::FrameRoute::Ignore:
        break;
    }
}

// Cutting the stream into pieces must not change which frames come out of it.
void checkSessionFrames(const Console &c)
{
    std::vector<protocol::InstrumentFrame> whole;
    protocol::scanFrames(c.session.data(), c.session.size(),
                         [&whole](const protocol::InstrumentFrame &frame) {
                             whole.push_back(frame);
                             return true;
                         });
    FUZZ_CHECK(whole == c.frames);
}

void receive(Console &c, const std::uint8_t *piece, std::size_t size)
{
    c.rxBuffer.insert(c.rxBuffer.end(), piece, piece + size);
    if (!c.isConnected) {
        const protocol::HandshakeSearch search =
            protocol::searchHandshake(c.rxBuffer.data(), c.rxBuffer.size());
        if (search.found) {
            c.isConnected = true;
            c.rxBuffer.clear();
            c.session.clear();
            c.frames.clear();
            return;
        }
        FUZZ_CHECK(search.discard <= c.rxBuffer.size());
        c.rxBuffer.erase(c.rxBuffer.begin(), c.rxBuffer.begin() + std::ptrdiff_t(search.discard));
        FUZZ_CHECK(c.rxBuffer.size() <= protocol::HandshakeBufferLimit);
        return;
    }

    c.session.insert(c.session.end(), piece, piece + size);
    for (;;) {
        const protocol::ScanStep step = protocol::takeFrame(c.rxBuffer.data(), c.rxBuffer.size());
        FUZZ_CHECK(step.consumed <= c.rxBuffer.size());
        if (step.frame) {
            FUZZ_CHECK(step.consumed >= protocol::FrameSize);
            FUZZ_CHECK(std::equal(step.frame->begin(), step.frame->end(),
                                  c.rxBuffer.begin() + std::ptrdiff_t(step.consumed) -
                                      std::ptrdiff_t(protocol::FrameSize)));
        }
        c.rxBuffer.erase(c.rxBuffer.begin(), c.rxBuffer.begin() + std::ptrdiff_t(step.consumed));
        if (!step.frame)
            break;
        c.frames.push_back(*step.frame);
        dispatch(c, *step.frame);
    }
    // The buffer cannot grow while the link is up.
    FUZZ_CHECK(c.rxBuffer.size() < protocol::FrameSize);
}

void endDownload(Console &c)
{
    c.awaitingHistoryCount = false;
    c.isSyncingHistory = false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    Console c;
    c.isConnected = (in.byte() & 1) != 0;
    while (!in.empty()) {
        const std::uint8_t op = in.byte();
        switch (op % 4) {
        case 0: {
            std::size_t count = 0;
            const std::uint8_t *piece = in.take(op / 4 + 1u, count);
            receive(c, piece, count);
            break;
        }
        case 1:
            if (c.isConnected && !c.awaitingHistoryCount && !c.isSyncingHistory)
                c.awaitingHistoryCount = true;
            break;
        case 2:
            endDownload(c);
            break;
        case 3:
            if (c.isConnected)
                checkSessionFrames(c);
            endDownload(c);
            c.isConnected = false;
            c.rxBuffer.clear();
            break;
        }
    }
    if (c.isConnected)
        checkSessionFrames(c);
    return 0;
}
