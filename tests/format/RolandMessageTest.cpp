#include "library/format/RolandMessage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string_view>

namespace tessel::format {
namespace {

struct ChecksumCase {
    const char* what;
    Bytes bytes;
    std::uint8_t expected;
};

TEST(RolandChecksum, MakesTheSumAMultipleOf128) {
    const ChecksumCase cases[] = {
        {"first dump request", {0x05, 0x00, 0x00, 0x00, 0x02, 0x00}, 0x79},
        {"nothing", {}, 0x00},
        {"sum 128", {0x7F, 0x01}, 0x00},
        {"sum 1", {0x01}, 0x7F},
        {"sum 127", {0x7F}, 0x01},
        {"sum 130", {0x7F, 0x03}, 0x7E},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RolandChecksum(c.bytes), c.expected) << c.what;
    }
}

TEST(RolandChecksum, AddressZeroAndDataSumming384GivesZero) {
    Bytes bytes{0x00, 0x00, 0x00};
    bytes.insert(bytes.end(), 3, 0x7F);  // 381
    bytes.push_back(0x03);               // 384
    EXPECT_EQ(RolandChecksum(bytes), 0x00);
}

TEST(RolandChecksum, LongDataDoesNotOverflow) {
    const Bytes data(100000, 0x7F);  // 12,700,000 = 99,218 x 128 + 96
    EXPECT_EQ(RolandChecksum(data), 32);
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

struct AddressCase {
    Address start;
    std::uint32_t offset;
    Address expected;
};

TEST(AddressPlus, CountsSevenBitsAByte) {
    const AddressCase cases[] = {
        {{0x05, 0x00, 0x00}, 256, {0x05, 0x02, 0x00}},
        {{0x05, 0x7E, 0x00}, 256, {0x06, 0x00, 0x00}},
        {{0x05, 0x00, 0x00}, 95 * 256, {0x06, 0x3E, 0x00}},
        {{0x00, 0x00, 0x7F}, 1, {0x00, 0x01, 0x00}},
        {{0x00, 0x7F, 0x7F}, 1, {0x01, 0x00, 0x00}},
        {{0x00, 0x00, 0x00}, 0, {0x00, 0x00, 0x00}},
        {{0x00, 0x00, 0x00}, 128, {0x00, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AddressPlus(c.start, c.offset), c.expected) << "offset " << c.offset;
    }
}

// True when the message is F0 41 dd 3D cc a2 a1 a0 ... cs F7 with a correct checksum.
void ExpectWellFormed(const Bytes& message, std::uint8_t device, std::uint8_t command,
                      Address address) {
    ASSERT_GE(message.size(), kHeaderSize + 2);
    const Bytes header{kExclusiveStart, kRolandId,  device,     kJd800ModelId,
                       command,         address[0], address[1], address[2]};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), message.begin()));
    EXPECT_EQ(message.back(), kExclusiveEnd);
    const unsigned sum = std::accumulate(message.begin() + 5, message.end() - 1, 0u);
    EXPECT_EQ(sum % 128, 0u) << "checksum does not complete the sum";
}

TEST(BuildRq1, WritesTheSizeSevenBitsAByte) {
    const Bytes message = BuildRq1(0x10, {0x05, 0x00, 0x00}, 256);
    const Bytes expected{0xF0, 0x41, 0x10, 0x3D, 0x11, 0x05, 0x00,
                         0x00, 0x00, 0x02, 0x00, 0x79, 0xF7};
    EXPECT_EQ(message, expected);
}

TEST(BuildDumpRequest, AsksFor256BytesAtTheAddress) {
    const std::pair<Address, std::uint8_t> cases[] = {
        {{0x05, 0x00, 0x00}, 0x79},
        {{0x06, 0x3E, 0x00}, 0x3A},
    };
    for (const auto& [address, checksum] : cases) {
        const Bytes message = BuildDumpRequest(0x03, address);
        ASSERT_EQ(message.size(), kRequestSize);
        ExpectWellFormed(message, 0x03, kCommandRq1, address);
        EXPECT_EQ(message[8], 0x00);
        EXPECT_EQ(message[9], 0x02);
        EXPECT_EQ(message[10], 0x00);
        EXPECT_EQ(message[11], checksum);
    }
}

PatchRecord CountingRecord() {
    PatchRecord record{};
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint8_t>(i % 128);
    }
    return record;
}

TEST(BuildTemporaryPatchWrite, SplitsTheRecordAt256) {
    const PatchRecord record = CountingRecord();
    const auto messages = BuildTemporaryPatchWrite(0x7F, record);
    ASSERT_EQ(messages[0].size(), 266u);
    ASSERT_EQ(messages[1].size(), 138u);
    ExpectWellFormed(messages[0], 0x7F, kCommandDt1, {0x00, 0x00, 0x00});
    ExpectWellFormed(messages[1], 0x7F, kCommandDt1, {0x00, 0x02, 0x00});
    EXPECT_TRUE(std::equal(record.begin(), record.begin() + 256, messages[0].begin() + 8));
    EXPECT_TRUE(std::equal(record.begin() + 256, record.end(), messages[1].begin() + 8));
}

PatchRecord EmptySlot() {
    PatchRecord record{};
    constexpr std::string_view name = "<None>          ";
    std::copy(name.begin(), name.end(), record.begin());
    return record;
}

TEST(BuildPatchMemoryDump, LaysOut96MessagesFrom050000) {
    std::array<PatchRecord, kPatchCount> records;
    records.fill(EmptySlot());
    const auto messages = BuildPatchMemoryDump(0x10, records);
    ASSERT_EQ(messages.size(), kDumpMessageCount);
    Address expected = kPatchMemoryAddress;
    for (const Bytes& message : messages) {
        ASSERT_EQ(message.size(), kDt1MessageSize);
        ExpectWellFormed(message, 0x10, kCommandDt1, expected);
        expected = AddressPlus(expected, 256);
    }
    EXPECT_EQ(messages[63][5], 0x05);
    EXPECT_EQ(messages[63][6], 0x7E);
    EXPECT_EQ(messages[64][5], 0x06);
    EXPECT_EQ(messages[64][6], 0x00);
    EXPECT_EQ(messages[95][6], 0x3E);
}

TEST(BuildPatchMemoryDump, EmptyBankChecksums) {
    std::array<PatchRecord, kPatchCount> records;
    records.fill(EmptySlot());
    const auto messages = BuildPatchMemoryDump(0x10, records);
    // Message 0 holds one name, message 1 the other name of the pair, message 2 only zeros.
    const std::pair<std::size_t, std::uint8_t> cases[] = {{0, 0x31}, {1, 0x2F}, {2, 0x77}};
    for (const auto& [index, checksum] : cases) {
        EXPECT_EQ(messages[index][264], checksum) << "message " << index;
        EXPECT_EQ(messages[index][265], 0xF7);
    }
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
