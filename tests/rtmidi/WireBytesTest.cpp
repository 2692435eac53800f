#include "midi/service/WireBytes.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace tessel::midi {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(WireBytes, ShortMessagesHaveTheLengthTheirStatusImplies) {
    const std::pair<std::uint32_t, Bytes> cases[] = {
        {0x643C90, {0x90, 0x3C, 0x64}},
        {0x403C8F, {0x8F, 0x3C, 0x40}},
        {0x4000E0, {0xE0, 0x00, 0x40}},
        {0x0005C0, {0xC0, 0x05}},
        {0x7F05CF, {0xCF, 0x05}},
        {0x0040D3, {0xD3, 0x40}},
        {0x0012F1, {0xF1, 0x12}},
        {0x0102F2, {0xF2, 0x02, 0x01}},
        {0x0003F3, {0xF3, 0x03}},
        {0x0000F6, {0xF6}},
        {0x0000F8, {0xF8}},
        {0x0000FF, {0xFF}},
        // Refused: System Exclusive bytes, running status, nothing at all.
        {0x0000F0, {}},
        {0x0000F7, {}},
        {0x643C7F, {}},
        {0x000000, {}},
    };
    for (const auto& [message, wire] : cases) {
        const auto unpacked = UnpackShortMessage(message);
        EXPECT_EQ(Bytes(unpacked.View().begin(), unpacked.View().end()), wire)
            << std::hex << message;
    }
}

TEST(WireBytes, ReceivedBytesArePackedStatusFirstAndExtraBytesIgnored) {
    EXPECT_EQ(PackShortMessage(Bytes{0xC0, 0x05}), 0x0005C0u);
    EXPECT_EQ(PackShortMessage(Bytes{0x90, 0x3C, 0x64, 0x11}), 0x643C90u);
}

}  // namespace
}  // namespace tessel::midi
