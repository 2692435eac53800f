#include "midi/rtmidi/WireBytes.h"

#include <gtest/gtest.h>

#include <ostream>

#include <vector>

namespace tessel::midi {
namespace {

struct Packed {
    std::uint32_t message;
    std::vector<std::uint8_t> wire;  // empty: refused
};

void PrintTo(const Packed& value, std::ostream* out) {
    *out << std::hex << value.message;
}

class UnpackShort : public ::testing::TestWithParam<Packed> {};

TEST_P(UnpackShort, GivesTheBytesTheStatusImplies) {
    const auto bytes = UnpackShortMessage(GetParam().message);
    const auto view = bytes.View();
    EXPECT_EQ(std::vector<std::uint8_t>(view.begin(), view.end()), GetParam().wire);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, UnpackShort,
    ::testing::Values(Packed{0x643C90, {0x90, 0x3C, 0x64}},    // Note On
                      Packed{0x403C8F, {0x8F, 0x3C, 0x40}},    // Note Off, channel 16
                      Packed{0x7F07B0, {0xB0, 0x07, 0x7F}},    // Control Change
                      Packed{0x000BA5, {0xA5, 0x0B, 0x00}},    // Polyphonic Pressure
                      Packed{0x4000E0, {0xE0, 0x00, 0x40}},    // Pitch Bend
                      Packed{0x0005C0, {0xC0, 0x05}},          // Program Change
                      Packed{0x7F05CF, {0xCF, 0x05}},          // ... ignoring a stray byte
                      Packed{0x0040D3, {0xD3, 0x40}},          // Channel Pressure
                      Packed{0x000012F1, {0xF1, 0x12}},        // Time Code quarter frame
                      Packed{0x000102F2, {0xF2, 0x02, 0x01}},  // Song Position
                      Packed{0x000003F3, {0xF3, 0x03}},        // Song Select
                      Packed{0x000000F6, {0xF6}},              // Tune Request
                      Packed{0x000000F8, {0xF8}},              // Timing Clock
                      Packed{0x000000FE, {0xFE}},              // Active Sensing
                      Packed{0x000000FF, {0xFF}},              // System Reset
                      Packed{0x000000F0, {}},                  // System Exclusive start
                      Packed{0x000000F7, {}},                  // System Exclusive end
                      Packed{0x00643C7F, {}},                  // running status
                      Packed{0x00000000, {}}));

struct Received {
    std::vector<std::uint8_t> bytes;
    std::uint32_t packed;
};

void PrintTo(const Received& value, std::ostream* out) {
    *out << ::testing::PrintToString(value.bytes);
}

class PackShort : public ::testing::TestWithParam<Received> {};

TEST_P(PackShort, PutsStatusInTheLowByte) {
    EXPECT_EQ(PackShortMessage(GetParam().bytes), GetParam().packed);
}

INSTANTIATE_TEST_SUITE_P(Lengths, PackShort,
                         ::testing::Values(Received{{0x90, 0x3C, 0x64}, 0x643C90},
                                           Received{{0xC0, 0x05}, 0x0005C0},
                                           Received{{0xF8}, 0x0000F8},
                                           Received{{0x90, 0x3C, 0x64, 0x11}, 0x643C90}));

}  // namespace
}  // namespace tessel::midi
