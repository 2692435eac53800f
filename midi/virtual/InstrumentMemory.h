#pragma once
// What the virtual JD-800 remembers and how it reads Roland exclusive messages: the
// temporary patch at 00 00 00 (384 bytes) and 64 patches of patch memory from 05 00 00,
// both addressed 7 bits a byte. Not thread-safe; its owner holds the lock.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "library/format/RolandMessage.h"
#include "midi/virtual/DemoBank.h"

namespace tessel::midi {

// A Roland exclusive message for the JD-800 taken apart: F0 41 dd 3D cc a2 a1 a0 body cs F7.
struct ExclusiveMessage {
    std::uint8_t deviceByte = 0;
    std::uint8_t command = 0;
    std::uint32_t address = 0;  // the three 7-bit address bytes as one 21-bit number
    std::span<const std::uint8_t> body;
};

// The message, when it is a well-formed JD-800 message: framing, data bytes below 80h and a
// checksum that matches. Anything else the instrument ignores.
std::optional<ExclusiveMessage> ParseExclusive(std::span<const std::uint8_t> bytes);

// A 21-bit value as three 7-bit bytes, and back.
format::Address AddressBytes(std::uint32_t value);
std::uint32_t AddressValue(format::Address address);

class InstrumentMemory {
public:
    static constexpr std::uint32_t kTemporaryStart = 0;
    static constexpr std::uint32_t kPatchMemoryStart = 5u << 14;  // 05 00 00

    explicit InstrumentMemory(const DemoBank& bank);

    // DT1: stores the data from its address on; bytes that fall outside both areas are lost.
    void Write(std::uint32_t address, std::span<const std::uint8_t> data);
    // `count` bytes from `address` on, or nothing when the range is not wholly inside one area.
    std::optional<std::vector<std::uint8_t>> Read(std::uint32_t address, std::uint32_t count) const;
    // As Read, but past the end of the area (or outside it) the bytes read as 0.
    std::vector<std::uint8_t> ReadPadded(std::uint32_t address, std::uint32_t count) const;

    format::PatchRecord TemporaryPatch() const;
    std::vector<std::uint8_t> PatchMemory() const;       // 24,576 bytes, records 11..88 in order
    format::PatchRecord Patch(std::size_t index) const;  // all zero past 63

private:
    // The rest of the area that holds `address`, from that address on; empty outside both.
    std::span<std::uint8_t> AreaFrom(std::uint32_t address);
    std::span<const std::uint8_t> AreaFrom(std::uint32_t address) const;

    std::vector<std::uint8_t> temporary_;
    std::vector<std::uint8_t> patchMemory_;
};

}  // namespace tessel::midi
