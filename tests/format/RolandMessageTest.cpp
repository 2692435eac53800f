#include "library/format/RolandMessage.h"

#include <gtest/gtest.h>

#include <climits>
#include <numeric>

#include "library/format/MessageCheck.h"
#include "tests/format/DumpFixtures.h"

namespace tessel::format {
namespace {

TEST(RolandChecksum, MakesTheSumAMultipleOf128) {
    const std::pair<Bytes, std::uint8_t> cases[] = {
        {{0x05, 0x00, 0x00, 0x00, 0x02, 0x00}, 0x79},        // the first dump request
        {{0x00, 0x00, 0x00, 0x7F, 0x7F, 0x7F, 0x03}, 0x00},  // sum 384
        {{}, 0x00},
        {Bytes(100000, 0x7F), 32},  // 12,700,000: no overflow on long data
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(RolandChecksum(bytes), expected) << bytes.size() << " bytes";
    }
}

TEST(DeviceByte, IsTheIdMinusOneWithinRangeAnd10Outside) {
    const std::pair<int, std::uint8_t> cases[] = {
        {1, 0x00}, {17, 0x10}, {128, 0x7F}, {0, 0x10}, {129, 0x10}, {-1, 0x10}, {INT_MIN, 0x10}};
    for (const auto& [id, expected] : cases) {
        EXPECT_EQ(DeviceByte(id), expected) << "device ID " << id;
    }
}

TEST(BuildDumpRequest, AsksFor256BytesAtTheAddress) {
    EXPECT_EQ(
        BuildDumpRequest(0x10, {0x05, 0x00, 0x00}),
        (Bytes{0xF0, 0x41, 0x10, 0x3D, 0x11, 0x05, 0x00, 0x00, 0x00, 0x02, 0x00, 0x79, 0xF7}));
    EXPECT_EQ(
        BuildDumpRequest(0x03, {0x06, 0x3E, 0x00}),
        (Bytes{0xF0, 0x41, 0x03, 0x3D, 0x11, 0x06, 0x3E, 0x00, 0x00, 0x02, 0x00, 0x3A, 0xF7}));
}

// F0 41 dd 3D 12 a2 a1 a0 ... cs F7, the checksum completing the sum to a multiple of 128.
void ExpectDt1(const Bytes& message, std::uint8_t device, Address address, std::size_t size) {
    ASSERT_EQ(message.size(), size);
    const Bytes header{0xF0, 0x41, device, 0x3D, 0x12, address[0], address[1], address[2]};
    EXPECT_EQ(Bytes(message.begin(), message.begin() + 8), header);
    EXPECT_EQ(message.back(), 0xF7);
    EXPECT_EQ(std::accumulate(message.begin() + 5, message.end() - 1, 0u) % 128, 0u);
}

TEST(BuildTemporaryPatchWrite, SplitsTheRecordAt256) {
    const PatchRecord record = test::DistinctRecords()[5];
    const auto messages = BuildTemporaryPatchWrite(0x7F, record);
    ExpectDt1(messages[0], 0x7F, {0x00, 0x00, 0x00}, 266);
    ExpectDt1(messages[1], 0x7F, {0x00, 0x02, 0x00}, 138);
    EXPECT_TRUE(std::equal(record.begin(), record.begin() + 256, messages[0].begin() + 8));
    EXPECT_TRUE(std::equal(record.begin() + 256, record.end(), messages[1].begin() + 8));
}

TEST(BuildPatchMemoryDump, EmptyBankAddressesAndChecksums) {
    test::Records records{};
    for (auto& record : records) {
        test::SetName(record, "<None>");
    }
    const auto messages = BuildPatchMemoryDump(0x10, records);
    ASSERT_EQ(messages.size(), 96u);
    // Two steps of the middle address byte a message: 63 is at 05 7E 00, 64 at 06 00 00.
    for (std::uint8_t k = 0; k < 96; ++k) {
        const Address address{static_cast<std::uint8_t>(5 + k / 64),
                              static_cast<std::uint8_t>(2 * k % 128), 0x00};
        ExpectDt1(messages[k], 0x10, address, 266);
    }
    EXPECT_EQ(messages[0][264], 0x31);
    EXPECT_EQ(messages[1][264], 0x2F);
    EXPECT_EQ(messages[2][264], 0x77);
}

TEST(BuildPatchMemoryDump, RecordsFollowOneAnotherAcrossMessages) {
    test::Records records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].fill(static_cast<std::uint8_t>(i));
    }
    const auto messages = BuildPatchMemoryDump(0x10, records);
    // Record 2k+1 starts at data byte 128 of message 3k+1; its last byte ends message 3k+2.
    for (std::size_t k = 0; k < 32; ++k) {
        EXPECT_EQ(messages[3 * k][8], 2 * k);
        EXPECT_EQ(messages[3 * k + 1][8 + 127], 2 * k);
        EXPECT_EQ(messages[3 * k + 1][8 + 128], 2 * k + 1);
        EXPECT_EQ(messages[3 * k + 2][8 + 255], 2 * k + 1);
    }
}

using Kind = MessageProblem::Kind;

TEST(CheckMessages, FindsEveryBrokenJd800Message) {
    const Bytes dump = test::DumpBytes(test::DistinctRecords());
    Bytes badData = dump;
    badData[20] ^= 0x01;
    const std::uint8_t recomputed =
        RolandChecksum(std::span<const std::uint8_t>(badData.begin() + 5, badData.begin() + 264));
    const Bytes gsReset{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x00, 0xF7};
    const Bytes otherCommand{0xF0, 0x41, 0x10, 0x3D, 0x40, 0x05, 0x00, 0x00, 0x01, 0xF7};
    const struct {
        const char* what;
        Bytes bytes;
        MessageReport expected;
    } cases[] = {
        {"a sound dump", dump, {96, {}}},
        {"changed data byte", badData, {96, {{Kind::badChecksum, 0, dump[264], recomputed}}}},
        {"other models and commands are not checked",
         test::Concat({gsReset, otherCommand, dump}),
         {98, {}}},
        {"cut inside the last message",
         test::Head(dump, dump.size() - 10),
         {95, {{Kind::unterminated, 95 * 266}}}},
        {"a new F0 before the F7",
         test::Concat({test::Head(dump, 100), dump}),
         {96, {{Kind::unterminated, 0}}}},
        {"no messages", {0x00, 0xF7, 0x7F}, {0, {}}},
    };
    test::TempFolder folder;
    for (const auto& c : cases) {
        EXPECT_EQ(CheckMessagesInBytes(c.bytes), c.expected) << c.what;
        std::error_code error;
        EXPECT_EQ(CheckMessages(folder.Write("c.syx", c.bytes), error), c.expected) << c.what;
        EXPECT_FALSE(error);
    }
}

}  // namespace
}  // namespace tessel::format
