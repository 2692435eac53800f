#include "midi/service/WireBytes.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace tessel::midi {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Status first, then as many data bytes as the status implies. Refused (no bytes): System
// Exclusive bytes, running status, nothing at all.
TEST(WireBytes, ShortMessagesHaveTheLengthTheirStatusImpliesBothWays) {
    const std::pair<std::uint32_t, std::size_t> cases[] = {
        {0x643C90, 3}, {0x403C8F, 3}, {0x4000E0, 3}, {0x0005C0, 2}, {0x7F05CF, 2}, {0x0040D3, 2},
        {0x0012F1, 2}, {0x0102F2, 3}, {0x0003F3, 2}, {0x0000F6, 1}, {0x0000F8, 1}, {0x0000FF, 1},
        {0x0000F0, 0}, {0x0000F7, 0}, {0x643C7F, 0}, {0x000000, 0}};
    for (const auto& [message, length] : cases) {
        Bytes wire;
        for (std::size_t i = 0; i < length; ++i) {
            wire.push_back(std::uint8_t(message >> (8 * i)));
        }
        const auto unpacked = UnpackShortMessage(message);
        EXPECT_EQ(Bytes(unpacked.View().begin(), unpacked.View().end()), wire)
            << std::hex << message;
    }
    // Received bytes are packed status first; extra bytes are ignored.
    EXPECT_EQ(PackShortMessage(Bytes{0xC0, 0x05}), 0x0005C0u);
    EXPECT_EQ(PackShortMessage(Bytes{0x90, 0x3C, 0x64, 0x11}), 0x643C90u);
}

}  // namespace
}  // namespace tessel::midi
