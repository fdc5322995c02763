#include "protocol.h"

#include <algorithm>

namespace protocol {

CommandFrame buildCommand(CommandCode code)
{
    return {CommandPrefix0, CommandPrefix1, static_cast<std::uint8_t>(code / 256),
            static_cast<std::uint8_t>(code % 256)};
}

bool parseCommand(const std::uint8_t *bytes, CommandCode &code)
{
    if (bytes[0] != CommandPrefix0 || bytes[1] != CommandPrefix1)
        return false;
    code = static_cast<CommandCode>(bytes[2] << 8 | bytes[3]);
    return true;
}

std::uint8_t checksum(const std::uint8_t *frame)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < FrameSize - 1; ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

bool checkFrame(const std::uint8_t *frame) { return frame[FrameSize - 1] == checksum(frame); }

ModeByte splitMode(std::uint8_t modeByte) { return {modeByte >> 4, modeByte & 0x0F}; }

static std::uint16_t readWord(const std::uint8_t *at)
{
    return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

std::uint16_t readValue(const std::uint8_t *frame, Value which)
{
    switch (which) {
    case Value::A:
        return readWord(frame + 2);
    case Value::B:
        return readWord(frame + 4);
    case Value::C:
        return readWord(frame + 6);
    }
    return 0;
}

std::uint16_t readMarker(const std::uint8_t *frame) { return readWord(frame + 8); }

InstrumentFrame buildFrame(std::uint8_t modeByte, std::uint8_t battery, std::uint16_t a,
                           std::uint16_t b, std::uint16_t c, std::uint16_t marker)
{
    InstrumentFrame f = {modeByte,
                         battery,
                         static_cast<std::uint8_t>(a >> 8),
                         static_cast<std::uint8_t>(a & 0xFF),
                         static_cast<std::uint8_t>(b >> 8),
                         static_cast<std::uint8_t>(b & 0xFF),
                         static_cast<std::uint8_t>(c >> 8),
                         static_cast<std::uint8_t>(c & 0xFF),
                         static_cast<std::uint8_t>(marker >> 8),
                         static_cast<std::uint8_t>(marker & 0xFF),
                         0};
    f[FrameSize - 1] = checksum(f.data());
    return f;
}

double decodeValue(std::uint16_t raw, int decimals)
{
    if (raw == OverRangeRaw)
        return OverRangeValue;
    double divisor = 1.0;
    for (int i = 0; i < decimals; ++i)
        divisor *= 10.0;
    return raw / divisor;
}

ModernValues decodeModernValues(const std::uint8_t *frame)
{
    const ModeByte mode = splitMode(frame[0]);
    ModernValues v;
    v.avg = decodeValue(readValue(frame, Value::A), mode.decimals);
    v.max = decodeValue(readValue(frame, Value::B), mode.decimals);
    v.min = decodeValue(readValue(frame, Value::C), mode.decimals);
    if (mode.kind == 5 && v.avg < OverRangeValue)
        v.avg = -v.avg;
    return v;
}

std::optional<KindInfo> describeKind(int kind)
{
    switch (kind) {
    case 1:
        return KindInfo{"接地电阻", "Ω"};
    case 2:
        return KindInfo{"交流电压", "V"};
    case 3:
        return KindInfo{"接地电阻", "kΩ"};
    case 4:
    case 5:
        return KindInfo{"直流电压", "V"};
    default:
        return std::nullopt;
    }
}

bool isModernReadingFrame(const std::uint8_t *frame) { return (frame[8] & 0xE0) == 0xC0; }

bool isLegacyReadingFrame(const std::uint8_t *frame) { return readMarker(frame) == ReadingMarker; }

bool isLegacyCountFrame(const std::uint8_t *frame) { return readMarker(frame) == CountMarker; }

bool isHandshakeReply(const std::uint8_t *frame)
{
    return std::equal(HandshakeReply.begin(), HandshakeReply.end(), frame);
}

} // namespace protocol
