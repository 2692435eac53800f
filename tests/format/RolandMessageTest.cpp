#include "library/format/RolandMessage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string_view>

namespace tessel::format {
namespace {

TEST(RolandChecksum, MakesTheSumAMultipleOf128) {
    Bytes sum384{0x00, 0x00, 0x00, 0x7F, 0x7F, 0x7F, 0x03};
    const std::pair<Bytes, std::uint8_t> cases[] = {
        {{0x05, 0x00, 0x00, 0x00, 0x02, 0x00}, 0x79},  // the first dump request
        {sum384, 0x00},
        {{}, 0x00},
        {{0x01}, 0x7F},
        {{0x7F, 0x03}, 0x7E},
        {Bytes(100000, 0x7F), 32},  // 12,700,000: no overflow on long data
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(RolandChecksum(bytes), expected) << bytes.size() << " bytes";
    }
}

TEST(DeviceByte, IsTheIdMinusOneWithinRangeAnd10Outside) {
    const std::pair<int, std::uint8_t> cases[] = {
        {1, 0x00},   {17, 0x10}, {128, 0x7F},  {0, 0x10},
        {129, 0x10}, {-1, 0x10}, {1000, 0x10}, {-2147483647 - 1, 0x10},
    };
    for (const auto& [id, expected] : cases) {
        EXPECT_EQ(DeviceByte(id), expected) << "device ID " << id;
    }
}

TEST(AddressPlus, CountsSevenBitsAByte) {
    struct Case {
        Address start;
        std::uint32_t offset;
        Address expected;
    };
    const Case cases[] = {
        {{0x05, 0x00, 0x00}, 256, {0x05, 0x02, 0x00}},
        {{0x05, 0x7E, 0x00}, 256, {0x06, 0x00, 0x00}},
        {{0x05, 0x00, 0x00}, 95 * 256, {0x06, 0x3E, 0x00}},
        {{0x00, 0x7F, 0x7F}, 1, {0x01, 0x00, 0x00}},
        {{0x00, 0x00, 0x00}, 128, {0x00, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AddressPlus(c.start, c.offset), c.expected) << "offset " << c.offset;
    }
}

// F0 41 dd 3D cc a2 a1 a0 ... cs F7, with the checksum completing the sum to a multiple of 128.
void ExpectWellFormed(const Bytes& message, std::uint8_t device, std::uint8_t command,
                      Address address) {
    ASSERT_GE(message.size(), kHeaderSize + 2);
    const Bytes header{kExclusiveStart, kRolandId,  device,     kJd800ModelId,
                       command,         address[0], address[1], address[2]};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), message.begin()));
    EXPECT_EQ(message.back(), kExclusiveEnd);
    EXPECT_EQ(std::accumulate(message.begin() + 5, message.end() - 1, 0u) % 128, 0u);
}

TEST(BuildDumpRequest, AsksFor256BytesAtTheAddress) {
    EXPECT_EQ(
        BuildDumpRequest(0x10, {0x05, 0x00, 0x00}),
        (Bytes{0xF0, 0x41, 0x10, 0x3D, 0x11, 0x05, 0x00, 0x00, 0x00, 0x02, 0x00, 0x79, 0xF7}));
    EXPECT_EQ(
        BuildDumpRequest(0x03, {0x06, 0x3E, 0x00}),
        (Bytes{0xF0, 0x41, 0x03, 0x3D, 0x11, 0x06, 0x3E, 0x00, 0x00, 0x02, 0x00, 0x3A, 0xF7}));
}

TEST(BuildTemporaryPatchWrite, SplitsTheRecordAt256) {
    PatchRecord record{};
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint8_t>(i % 128);
    }
    const auto messages = BuildTemporaryPatchWrite(0x7F, record);
    ASSERT_EQ(messages[0].size(), 266u);
    ASSERT_EQ(messages[1].size(), 138u);
    ExpectWellFormed(messages[0], 0x7F, kCommandDt1, {0x00, 0x00, 0x00});
    ExpectWellFormed(messages[1], 0x7F, kCommandDt1, {0x00, 0x02, 0x00});
    EXPECT_TRUE(std::equal(record.begin(), record.begin() + 256, messages[0].begin() + 8));
    EXPECT_TRUE(std::equal(record.begin() + 256, record.end(), messages[1].begin() + 8));
}

TEST(BuildPatchMemoryDump, EmptyBankLayoutAndChecksums) {
    PatchRecord empty{};
    constexpr std::string_view name = "<None>          ";
    std::copy(name.begin(), name.end(), empty.begin());
    std::array<PatchRecord, kPatchCount> records;
    records.fill(empty);
    const auto messages = BuildPatchMemoryDump(0x10, records);
    ASSERT_EQ(messages.size(), kDumpMessageCount);
    Address expected = kPatchMemoryAddress;
    for (const Bytes& message : messages) {
        ASSERT_EQ(message.size(), kDt1MessageSize);
        ExpectWellFormed(message, 0x10, kCommandDt1, expected);
        expected = AddressPlus(expected, 256);
    }
    EXPECT_EQ(messages[63][6], 0x7E);
    EXPECT_EQ(messages[64][5], 0x06);
    EXPECT_EQ(messages[64][6], 0x00);
    // Message 0 holds one name, message 1 the other name of the pair, message 2 only zeros.
    EXPECT_EQ(messages[0][264], 0x31);
    EXPECT_EQ(messages[1][264], 0x2F);
    EXPECT_EQ(messages[2][264], 0x77);
}

TEST(BuildPatchMemoryDump, RecordsFollowOneAnotherAcrossMessages) {
    std::array<PatchRecord, kPatchCount> records;
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

}  // namespace
}  // namespace tessel::format
