// Writes the seed corpora of the fuzz harnesses: the protocol's known frames and exchanges in
// each harness's input layout (see the comment at the top of each harness).
//   fuzz_makeseeds <folder>   writes <folder>/<harness>/<seed name>
#include "knownframes.h"
#include "protocol.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{

using Bytes = std::vector<std::uint8_t>;

class Seed
{
public:
    Seed &op(std::uint8_t byte)
    {
        bytes.push_back(byte);
        return *this;
    }
    template <typename Range> Seed &add(const Range &range)
    {
        bytes.insert(bytes.end(), std::begin(range), std::end(range));
        return *this;
    }
    Seed &word(std::uint16_t value)
    {
        bytes.push_back(std::uint8_t(value >> 8));
        bytes.push_back(std::uint8_t(value & 0xFF));
        return *this;
    }
    Seed &text(const std::string &s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Bytes bytes;
};

bool write(const std::string &folder, const std::string &name, const Bytes &bytes)
{
    const std::string path = folder + "/" + name;
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool makeFolder(const std::string &path)
{
    return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

protocol::InstrumentFrame record(std::uint16_t n, std::uint8_t mode)
{
    return protocol::buildFrame(mode, std::uint8_t(n % 2), std::uint16_t(100 + n),
                                std::uint16_t(150 + n), n, n);
}

// fuzz_consoledispatch: op % 4 == 0 delivers op / 4 + 1 bytes.
constexpr std::uint8_t deliver(std::size_t count)
{
    return std::uint8_t((count - 1) * 4);
}
constexpr std::uint8_t StartDownload = 1;
constexpr std::uint8_t Rescan = 3;

std::vector<std::pair<std::string, Bytes>> consoleDispatchSeeds()
{
    using namespace knownframes;
    std::vector<std::pair<std::string, Bytes>> seeds;
    seeds.push_back({"reading", Seed().op(1).op(deliver(11)).add(ReadingOhms).bytes});
    seeds.push_back({"handshake-then-readings", Seed()
                                                    .op(0)
                                                    .op(deliver(11))
                                                    .add(Handshake)
                                                    .op(deliver(11))
                                                    .add(ReadingOhms)
                                                    .op(deliver(11))
                                                    .add(ReadingOverRange)
                                                    .bytes});
    {
        Bytes two(ReadingOhms.begin(), ReadingOhms.end());
        two.insert(two.end(), ReadingOverRange.begin(), ReadingOverRange.end());
        seeds.push_back({"two-frames-one-piece", Seed().op(1).op(deliver(22)).add(two).bytes});
    }
    {
        const Bytes b(ReadingOverRange.begin(), ReadingOverRange.end());
        seeds.push_back({"pieces-4-4-3", Seed()
                                             .op(1)
                                             .op(deliver(4))
                                             .add(Bytes(b.begin(), b.begin() + 4))
                                             .op(deliver(4))
                                             .add(Bytes(b.begin() + 4, b.begin() + 8))
                                             .op(deliver(3))
                                             .add(Bytes(b.begin() + 8, b.end()))
                                             .bytes});
    }
    {
        Bytes bad(ReadingOhms.begin(), ReadingOhms.end());
        bad[10] = std::uint8_t(bad[10] + 1);
        seeds.push_back({"garbage-and-bad-checksum", Seed()
                                                         .op(1)
                                                         .op(deliver(12))
                                                         .op(0x55)
                                                         .add(ReadingOhms)
                                                         .op(deliver(11))
                                                         .add(bad)
                                                         .op(deliver(11))
                                                         .add(ReadingOhms)
                                                         .bytes});
    }
    {
        Seed download;
        download.op(1).op(deliver(11)).add(ReadingOhms).op(StartDownload);
        download.op(deliver(11)).add(CountFive);
        for (std::uint16_t n = 1; n <= 5; ++n) {
            const protocol::InstrumentFrame frame =
                n == 3 ? RecordThreeKiloOhms : record(n, std::uint8_t(0x10 + n * 0x10 + 1));
            download.op(deliver(11)).add(frame);
        }
        seeds.push_back({"download-five", download.bytes});
    }
    seeds.push_back({"rescan-during-download", Seed()
                                                   .op(1)
                                                   .op(StartDownload)
                                                   .op(deliver(11))
                                                   .add(CountFive)
                                                   .op(deliver(11))
                                                   .add(record(1, 0x12))
                                                   .op(Rescan)
                                                   .op(deliver(11))
                                                   .add(Handshake)
                                                   .op(deliver(11))
                                                   .add(ReadingOhms)
                                                   .bytes});
    return seeds;
}

// fuzz_legacyreceive: op % 8; 1 builds a frame, its bits 3-4 pick the marker.
constexpr std::uint8_t Read = 0;
constexpr std::uint8_t BuiltAwaitedRecord = 1 | 2 << 3;
constexpr std::uint8_t ClickRead = 2;
constexpr std::uint8_t Rerequest = 3;
constexpr std::uint8_t Progress = 4;
constexpr std::uint8_t CountRequest = 5 | 8;

void legacyRecords(Seed &seed, std::uint16_t from, std::uint16_t to)
{
    for (std::uint16_t n = from; n <= to; ++n) {
        seed.op(BuiltAwaitedRecord).op(n % 3 == 0 ? 0x20 : 0x12).op(0);
        seed.word(std::uint16_t(1000 + n)).word(std::uint16_t(2000 + n)).word(n);
        seed.op(Rerequest).op(Progress);
    }
}

std::vector<std::pair<std::string, Bytes>> legacyReceiveSeeds()
{
    using namespace knownframes;
    std::vector<std::pair<std::string, Bytes>> seeds;
    seeds.push_back({"reading-threshold-50", Seed()
                                                 .op(4)
                                                 .text("50.0")
                                                 .op(Read)
                                                 .add(ReadingOhms)
                                                 .op(Read)
                                                 .add(ReadingOhms)
                                                 .op(Read)
                                                 .add(ReadingOverRange)
                                                 .bytes});
    {
        Seed download;
        download.op(0).op(CountRequest).op(Read).add(CountFive).op(ClickRead);
        legacyRecords(download, 1, 5);
        seeds.push_back({"download-five", download.bytes});
    }
    {
        Seed pause;
        pause.op(0).op(Read).add(CountFive).op(ClickRead);
        legacyRecords(pause, 1, 2);
        pause.op(ClickRead).op(Read).add(RecordThreeKiloOhms).op(ClickRead);
        legacyRecords(pause, 3, 5);
        seeds.push_back({"pause-and-continue", pause.bytes});
    }
    {
        Seed silent;
        silent.op(0).op(Read).add(CountFive).op(ClickRead);
        for (int i = 0; i < 16; ++i)
            silent.op(Rerequest).op(Progress);
        seeds.push_back({"unanswered-record", silent.bytes});
    }
    return seeds;
}

// fuzz_readingformat: mode, raw, three row counts, threshold, free text.
Bytes formatSeed(std::uint8_t mode, std::uint16_t raw, std::uint16_t max, std::uint16_t min,
                 std::uint16_t avg, const std::string &threshold, const std::string &text)
{
    Seed seed;
    seed.op(mode).word(raw);
    for (const std::uint16_t value : {max, min, avg})
        seed.word(0).word(value);
    seed.op(std::uint8_t(threshold.size())).text(threshold).text(text);
    return seed.bytes;
}

std::vector<std::pair<std::string, Bytes>> readingFormatSeeds()
{
    return {
        {"ohms-2-decimals", formatSeed(0x12, 1234, 1300, 1200, 1234, "50", "1234")},
        {"ohms-1-decimal", formatSeed(0x11, 1230, 5, 0, 1230, "0.0000", "5")},
        {"ohms-no-decimals", formatSeed(0x10, 250, 5, 5, 99, "", "250")},
        {"ohms-over-range", formatSeed(0x12, 10000, 10000, 7, 1030, "12.5", "  OL  \xCE\xA9")},
        {"decimal-code-3", formatSeed(0x13, 250, 250, 250, 250, "abc", "")},
        {"volts", formatSeed(0x21, 230, 230, 230, 230, "-5", "230")},
        {"milliamps", formatSeed(0x30, 15, 15, 15, 15, "1e400", "15")},
        {"no-unit", formatSeed(0x40, 500, 500, 500, 500, " 7 ", "500")},
    };
}

// fuzz_commandparser: count, seed, copies answered, then pieces.
std::vector<std::pair<std::string, Bytes>> commandParserSeeds()
{
    namespace C = protocol::Command;
    const auto command = [](protocol::CommandCode code) { return protocol::buildCommand(code); };
    std::vector<std::pair<std::string, Bytes>> seeds;
    {
        Seed all;
        all.op(5).op(1).op(1);
        for (const protocol::CommandCode code :
             {C::Probe, C::RequestReading, C::RequestRecordCount, protocol::RequestRecord(1),
              protocol::RequestRecord(5), protocol::RequestRecord(300), C::SingleTest,
              C::BacklightOn, C::BuzzerOff, C::LineResistanceCheck, C::ClearRecords,
              C::RequestRecordCount})
            all.op(4 | 0x40).add(command(code));
        seeds.push_back({"every-command", all.bytes});
    }
    {
        Seed split;
        split.op(3).op(2).op(0);
        const protocol::CommandFrame probe = command(C::Probe);
        split.op(1).op(probe[0]).op(3).add(Bytes(probe.begin() + 1, probe.end()));
        split.op(6).op(0x64).op(0x64).add(command(C::RequestReading));
        split.op(8)
            .add(command(protocol::RequestRecord(2)))
            .add(command(protocol::RequestRecord(2)));
        split.op(4 | 0x20).add(command(C::RequestRecordCount));
        seeds.push_back({"split-noise-doubled", split.bytes});
    }
    return seeds;
}

bool writeAll(const std::string &root, const std::string &harness,
              const std::vector<std::pair<std::string, Bytes>> &seeds)
{
    const std::string folder = root + "/" + harness;
    if (!makeFolder(folder))
        return false;
    for (const auto &[name, bytes] : seeds) {
        if (!write(folder, name, bytes))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    const bool ok = makeFolder(root) &&
                    writeAll(root, "fuzz_consoledispatch", consoleDispatchSeeds()) &&
                    writeAll(root, "fuzz_legacyreceive", legacyReceiveSeeds()) &&
                    writeAll(root, "fuzz_readingformat", readingFormatSeeds()) &&
                    writeAll(root, "fuzz_commandparser", commandParserSeeds());
    return ok ? 0 : 1;
}
