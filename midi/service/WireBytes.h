#pragma once
// A packed short message (status | data1 << 8 | data2 << 16) as the bytes that go on the
// wire. The status byte decides the length: channel messages are 3 bytes except Program
// Change (Cx) and Channel Pressure (Dx), which are 2; system common messages have 0 to 2
// data bytes by kind; real-time messages (F8..FF) are the status byte alone.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tessel::midi {

// Wire length for a status byte, or 0 when the byte cannot start a short message: a data
// byte (no running status here) or the System Exclusive bytes F0 and F7.
std::size_t ShortMessageLength(std::uint8_t status);

struct ShortMessageBytes {
    std::array<std::uint8_t, 3> bytes{};
    std::size_t length = 0;  // 0: not a short message that can be sent
    std::span<const std::uint8_t> View() const { return {bytes.data(), length}; }
};

ShortMessageBytes UnpackShortMessage(std::uint32_t message);

// Packs received bytes the same way; missing data bytes are 0, extra bytes are ignored.
std::uint32_t PackShortMessage(std::span<const std::uint8_t> bytes);

}  // namespace tessel::midi
