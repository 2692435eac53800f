#include "midi/virtual/InstrumentMemory.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <utility>

namespace tessel::midi {
namespace {

constexpr std::size_t kFramingSize = format::kHeaderSize + 2;  // header, checksum, F7
constexpr std::uint8_t kDataMask = 0x80;

bool AllDataBytes(std::span<const std::uint8_t> bytes) {
    return std::none_of(bytes.begin(), bytes.end(), [](auto b) { return (b & kDataMask) != 0; });
}

bool HasJd800Framing(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= kFramingSize && bytes.front() == format::kExclusiveStart &&
           bytes.back() == format::kExclusiveEnd && bytes[1] == format::kRolandId &&
           bytes[3] == format::kJd800ModelId;
}

}  // namespace

std::optional<ExclusiveMessage> ParseExclusive(std::span<const std::uint8_t> bytes) {
    if (!HasJd800Framing(bytes)) {
        return std::nullopt;
    }
    // Address, body and checksum: everything between the command byte and F7.
    const auto summed = bytes.subspan(5, bytes.size() - 6);
    if (!AllDataBytes(bytes.subspan(1, bytes.size() - 2)) ||
        std::accumulate(summed.begin(), summed.end(), 0u) % 128 != 0) {
        return std::nullopt;
    }
    ExclusiveMessage message;
    message.deviceByte = bytes[2];
    message.command = bytes[4];
    message.address = AddressValue({bytes[5], bytes[6], bytes[7]});
    message.body = bytes.subspan(format::kHeaderSize, bytes.size() - kFramingSize);
    return message;
}

format::Address AddressBytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>((value >> 14) & 0x7F),
            static_cast<std::uint8_t>((value >> 7) & 0x7F),
            static_cast<std::uint8_t>(value & 0x7F)};
}

std::uint32_t AddressValue(format::Address address) {
    return (std::uint32_t{address[0]} << 14) | (std::uint32_t{address[1]} << 7) | address[2];
}

InstrumentMemory::InstrumentMemory(const DemoBank& bank)
    : temporary_(bank.front().begin(), bank.front().end()) {
    patchMemory_.reserve(format::kPatchCount * format::kPatchRecordSize);
    for (const auto& record : bank) {
        patchMemory_.insert(patchMemory_.end(), record.begin(), record.end());
    }
}

std::span<std::uint8_t> InstrumentMemory::AreaFrom(std::uint32_t address) {
    const auto area = std::as_const(*this).AreaFrom(address);
    return {const_cast<std::uint8_t*>(area.data()), area.size()};
}

std::span<const std::uint8_t> InstrumentMemory::AreaFrom(std::uint32_t address) const {
    for (const auto& [start, bytes] : {std::pair{kTemporaryStart, std::cref(temporary_)},
                                       std::pair{kPatchMemoryStart, std::cref(patchMemory_)}}) {
        const auto& area = bytes.get();
        if (address >= start && address - start < area.size()) {
            return std::span<const std::uint8_t>(area).subspan(address - start);
        }
    }
    return {};
}

void InstrumentMemory::Write(std::uint32_t address, std::span<const std::uint8_t> data) {
    for (const auto byte : data) {
        if (const auto area = AreaFrom(address++); !area.empty()) {
            area.front() = byte;
        }
    }
}

std::optional<std::vector<std::uint8_t>> InstrumentMemory::Read(std::uint32_t address,
                                                                std::uint32_t count) const {
    const auto area = AreaFrom(address);
    if (count == 0 || area.size() < count) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(area.begin(), area.begin() + count);
}

std::vector<std::uint8_t> InstrumentMemory::ReadPadded(std::uint32_t address,
                                                       std::uint32_t count) const {
    std::vector<std::uint8_t> bytes(count, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (const auto area = AreaFrom(address + i); !area.empty()) {
            bytes[i] = area.front();
        }
    }
    return bytes;
}

format::PatchRecord InstrumentMemory::TemporaryPatch() const {
    format::PatchRecord record{};
    std::copy(temporary_.begin(), temporary_.end(), record.begin());
    return record;
}

std::vector<std::uint8_t> InstrumentMemory::PatchMemory() const {
    return patchMemory_;
}

format::PatchRecord InstrumentMemory::Patch(std::size_t index) const {
    format::PatchRecord record{};
    if (index >= format::kPatchCount) {
        return record;
    }
    const auto start = patchMemory_.begin() + std::ptrdiff_t(index * format::kPatchRecordSize);
    std::copy(start, start + format::kPatchRecordSize, record.begin());
    return record;
}

}  // namespace tessel::midi
