// The simulated instrument's receiving side: the command parser on arbitrary bytes cut into
// arbitrary pieces, and the instrument model answering what the parser finds.
//   byte 0      record count of the instrument (0..255), byte 1 its seed, byte 2 bit 0: the
//               second copy of a doubled command is answered too
//   then, repeated  a piece length byte (0..31 from its low bits; bit 5: a client reopens the
//                   line first; bits 6-7: milliseconds that pass before the piece, times 40),
//                   then that many bytes
#include "commandparser.h"
#include "fuzzinput.h"
#include "instrumentmodel.h"
#include "protocol.h"

#include <vector>

namespace
{

void checkReply(const sim::Exchange &exchange, std::size_t recordCount, bool answerCopies)
{
    namespace C = protocol::Command;
    if (exchange.reply.empty()) {
        // Probe, reading and count requests are always answered, unless they are a copy.
        FUZZ_CHECK(!answerCopies ||
                   (exchange.code != C::Probe && exchange.code != C::RequestRecordCount &&
                    exchange.code != C::RequestReading));
        FUZZ_CHECK(!answerCopies || exchange.code == 0 || exchange.code > recordCount);
        return;
    }
    FUZZ_CHECK(exchange.reply.size() == protocol::FrameSize);
    FUZZ_CHECK(protocol::checkFrame(exchange.reply.data()));
    const std::uint16_t marker = protocol::readMarker(exchange.reply.data());
    switch (exchange.code) {
    case C::Probe:
        FUZZ_CHECK(protocol::isHandshakeReply(exchange.reply.data()));
        break;
    case C::RequestReading:
        FUZZ_CHECK(marker == protocol::ReadingMarker);
        break;
    case C::RequestRecordCount:
        FUZZ_CHECK(marker == protocol::CountMarker);
        FUZZ_CHECK(protocol::readValue(exchange.reply.data(), protocol::Value::A) == recordCount);
        break;
    default:
        FUZZ_CHECK(exchange.code >= 1 && exchange.code <= recordCount);
        FUZZ_CHECK(marker == exchange.code);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    sim::ModelSettings settings;
    settings.recordCount = in.byte();
    settings.seed = in.byte();
    settings.testTimeMs = 100;
    settings.answerDoubledCommands = (in.byte() & 1) != 0;
    sim::InstrumentModel model(settings);

    sim::CommandParser whole;
    std::vector<std::uint8_t> stream;
    std::vector<protocol::CommandCode> pieceCodes;
    std::int64_t nowMs = 0;
    bool reopened = false;

    while (!in.empty()) {
        const std::uint8_t control = in.byte();
        std::size_t count = 0;
        const std::uint8_t *piece = in.take(control & 0x1F, count);
        nowMs += (control >> 6) * 40;
        if (control & 0x20) {
            model.startSession();
            reopened = true;
        }

        std::size_t records = model.records().size();
        const std::size_t skippedBefore = model.parser().skippedBytes();
        const std::size_t pendingBefore = model.parser().pendingBytes();
        const std::vector<sim::Exchange> exchanges = model.receive(piece, count, nowMs);
        const std::size_t skipped = model.parser().skippedBytes() - skippedBefore;
        // Every byte is skipped, held, or part of a command.
        FUZZ_CHECK(pendingBefore + count == skipped + protocol::CommandSize * exchanges.size() +
                                                model.parser().pendingBytes());
        FUZZ_CHECK(model.parser().pendingBytes() < protocol::CommandSize);
        for (const sim::Exchange &exchange : exchanges) {
            pieceCodes.push_back(exchange.code);
            checkReply(exchange, records, settings.answerDoubledCommands);
            if (exchange.code == protocol::Command::ClearRecords)
                records = 0;
        }
        FUZZ_CHECK(records == model.records().size());
        model.advance(nowMs);
        stream.insert(stream.end(), piece, piece + count);
    }

    // However the bytes were cut, the parser finds the same commands.
    if (!reopened)
        FUZZ_CHECK(whole.feed(stream.data(), stream.size()) == pieceCodes);
    return 0;
}
