#include "library/format/RolandMessage.h"

#include <algorithm>
#include <numeric>
#include <string_view>

namespace tessel::format {

namespace {

constexpr std::uint32_t kSevenBits = 0x7F;
constexpr std::uint32_t kMessageDataSize = 256;
constexpr std::size_t kTemporaryFirstPart = 256;
constexpr std::string_view kEmptySlotName = "<None>          ";
static_assert(kEmptySlotName.size() == kPatchNameSize);

std::uint32_t AddressValue(Address address) {
    return (std::uint32_t{address[0]} << 14) | (std::uint32_t{address[1]} << 7) | address[2];
}

// A 21-bit number as three 7-bit bytes, most significant first; higher bits fall away.
Address SevenBitTriple(std::uint32_t value) {
    return {static_cast<std::uint8_t>((value >> 14) & kSevenBits),
            static_cast<std::uint8_t>((value >> 7) & kSevenBits),
            static_cast<std::uint8_t>(value & kSevenBits)};
}

// F0 41 dd 3D cc a2 a1 a0 body cs F7, the checksum over the address and the body.
Bytes BuildMessage(std::uint8_t deviceByte, std::uint8_t command, Address address,
                   std::span<const std::uint8_t> body) {
    const std::array<std::uint8_t, kHeaderSize> header{kExclusiveStart, kRolandId, deviceByte,
                                                       kJd800ModelId,   command,   address[0],
                                                       address[1],      address[2]};
    Bytes message(kHeaderSize + body.size() + 2);
    const auto bodyStart = std::copy(header.begin(), header.end(), message.begin());
    const auto bodyEnd = std::copy(body.begin(), body.end(), bodyStart);
    *bodyEnd = RolandChecksum(std::span<const std::uint8_t>(bodyStart - 3, bodyEnd));
    message.back() = kExclusiveEnd;
    return message;
}

}  // namespace

std::uint8_t RolandChecksum(std::span<const std::uint8_t> bytes) {
    const unsigned sum = std::accumulate(bytes.begin(), bytes.end(), 0u);
    return static_cast<std::uint8_t>((128 - sum % 128) % 128);
}

PatchRecord EmptyPatchRecord() {
    PatchRecord record{};
    std::copy(kEmptySlotName.begin(), kEmptySlotName.end(), record.begin());
    return record;
}

std::uint8_t DeviceByte(int deviceId) {
    if (deviceId < 1 || deviceId > 128) {
        return kDefaultDeviceByte;
    }
    return static_cast<std::uint8_t>(deviceId - 1);
}

Address AddressPlus(Address address, std::uint32_t offset) {
    return SevenBitTriple(AddressValue(address) + offset);
}

Bytes BuildDt1(std::uint8_t deviceByte, Address address, std::span<const std::uint8_t> data) {
    return BuildMessage(deviceByte, kCommandDt1, address, data);
}

Bytes BuildRq1(std::uint8_t deviceByte, Address address, std::uint32_t size) {
    const Address sizeBytes = SevenBitTriple(size);
    return BuildMessage(deviceByte, kCommandRq1, address, sizeBytes);
}

std::array<Bytes, 2> BuildTemporaryPatchWrite(std::uint8_t deviceByte, const PatchRecord& record) {
    const std::span<const std::uint8_t> all(record);
    return {BuildDt1(deviceByte, kTemporaryPatchAddress, all.first(kTemporaryFirstPart)),
            BuildDt1(deviceByte, AddressPlus(kTemporaryPatchAddress, kTemporaryFirstPart),
                     all.subspan(kTemporaryFirstPart))};
}

Bytes BuildDumpRequest(std::uint8_t deviceByte, Address address) {
    return BuildRq1(deviceByte, address, kMessageDataSize);
}

std::vector<Bytes> BuildPatchMemoryDump(std::uint8_t deviceByte,
                                        std::span<const PatchRecord, kPatchCount> records) {
    // The 64 records back to back form one 24,576-byte stream cut into 96 messages of 256.
    Bytes stream;
    stream.reserve(kPatchCount * kPatchRecordSize);
    for (const PatchRecord& record : records) {
        stream.insert(stream.end(), record.begin(), record.end());
    }
    std::vector<Bytes> messages;
    messages.reserve(kDumpMessageCount);
    for (std::uint32_t k = 0; k < kDumpMessageCount; ++k) {
        const std::span<const std::uint8_t> data(stream.data() + k * kMessageDataSize,
                                                 kMessageDataSize);
        messages.push_back(
            BuildDt1(deviceByte, AddressPlus(kPatchMemoryAddress, k * kMessageDataSize), data));
    }
    return messages;
}

Bytes BuildPatchMemoryDumpFile(std::uint8_t deviceByte,
                               std::span<const PatchRecord, kPatchCount> records) {
    Bytes file;
    file.reserve(kDumpFileSize);
    for (const Bytes& message : BuildPatchMemoryDump(deviceByte, records)) {
        file.insert(file.end(), message.begin(), message.end());
    }
    return file;
}

}  // namespace tessel::format
