#include "library/format/MessageCheck.h"

#include <gtest/gtest.h>

#include "library/format/RolandMessage.h"
#include "tests/format/DumpFixtures.h"

namespace tessel::format {
namespace {

using Kind = MessageProblem::Kind;
using test::Concat;

struct CheckCase {
    const char* what;
    Bytes bytes;
    MessageReport expected;
};

std::vector<CheckCase> CheckCases() {
    Bytes dump = test::DumpBytes(test::DistinctRecords());
    const std::uint8_t good = dump[798 + 264];
    Bytes badChecksum = dump;
    badChecksum[798 + 264] = static_cast<std::uint8_t>((good + 1) % 128);
    Bytes badData = dump;
    badData[20] ^= 0x01;
    const std::uint8_t recomputed =
        RolandChecksum(std::span<const std::uint8_t>(badData.begin() + 5, badData.begin() + 264));
    const Bytes gsReset{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x00, 0xF7};
    const Bytes shortDt1{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x05, 0xF7};
    return {
        {"a sound dump", dump, {96, {}}},
        {"wrong checksum in message 3",
         badChecksum,
         {96, {{Kind::badChecksum, 798, static_cast<std::uint8_t>((good + 1) % 128), good}}}},
        {"changed data byte", badData, {96, {{Kind::badChecksum, 0, dump[264], recomputed}}}},
        {"other models are not checked", Concat({gsReset, dump}), {97, {}}},
        {"cut inside the last message",
         test::Head(dump, dump.size() - 10),
         {95, {{Kind::unterminated, 95 * 266}}}},
        {"a new F0 before the F7",
         Concat({test::Head(dump, 100), dump}),
         {96, {{Kind::unterminated, 0}}}},
        {"too short", Concat({shortDt1, dump}), {97, {{Kind::tooShort, 0}}}},
        {"no messages", {0x00, 0xF7, 0x7F}, {0, {}}},
    };
}

TEST(CheckMessages, FindsEveryBrokenJd800Message) {
    test::TempFolder folder;
    for (const auto& c : CheckCases()) {
        EXPECT_EQ(CheckMessagesInBytes(c.bytes), c.expected) << c.what;
        std::error_code error;
        EXPECT_EQ(CheckMessages(folder.Write("c.syx", c.bytes), error), c.expected) << c.what;
        EXPECT_FALSE(error);
    }
}

TEST(CheckMessages, MissingFileIsAnError) {
    test::TempFolder folder;
    std::error_code error;
    EXPECT_EQ(CheckMessages(folder.Path() / "missing.syx", error), MessageReport{});
    EXPECT_TRUE(error);
}

}  // namespace
}  // namespace tessel::format
