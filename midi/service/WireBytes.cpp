#include "midi/service/WireBytes.h"

namespace tessel::midi {

namespace {

std::size_t SystemMessageLength(std::uint8_t status) {
    switch (status) {
        case 0xF1:  // MIDI Time Code quarter frame
        case 0xF3:  // Song Select
            return 2;
        case 0xF2:  // Song Position Pointer
            return 3;
        case 0xF0:  // System Exclusive goes out as a long message
        case 0xF7:
            return 0;
        default:  // Tune Request, the undefined F4/F5 and every real-time message
            return 1;
    }
}

}  // namespace

std::size_t ShortMessageLength(std::uint8_t status) {
    if (status < 0x80) {
        return 0;
    }
    if (status >= 0xF0) {
        return SystemMessageLength(status);
    }
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

ShortMessageBytes UnpackShortMessage(std::uint32_t message) {
    ShortMessageBytes out;
    out.bytes = {static_cast<std::uint8_t>(message & 0xFF),
                 static_cast<std::uint8_t>((message >> 8) & 0xFF),
                 static_cast<std::uint8_t>((message >> 16) & 0xFF)};
    out.length = ShortMessageLength(out.bytes[0]);
    return out;
}

std::uint32_t PackShortMessage(std::span<const std::uint8_t> bytes) {
    std::uint32_t packed = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 3; ++i) {
        packed |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    }
    return packed;
}

}  // namespace tessel::midi
