#pragma once
// Roland exclusive messages of the JD-800, byte for byte as they travel on the MIDI cable:
//   F0 41 dd 3D cc a2 a1 a0 <data or size> cs F7
// dd is the device byte, cc 12 (DT1, data set) or 11 (RQ1, data request), a2 a1 a0 a
// 21-bit address written 7 bits a byte, cs the checksum over address and data bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tessel::format {

using Bytes = std::vector<std::uint8_t>;
using Address = std::array<std::uint8_t, 3>;  // most significant byte first, 7 bits each

inline constexpr std::uint8_t kExclusiveStart = 0xF0;
inline constexpr std::uint8_t kExclusiveEnd = 0xF7;
inline constexpr std::uint8_t kRolandId = 0x41;
inline constexpr std::uint8_t kJd800ModelId = 0x3D;
inline constexpr std::uint8_t kCommandDt1 = 0x12;
inline constexpr std::uint8_t kCommandRq1 = 0x11;
inline constexpr std::uint8_t kDefaultDeviceByte = 0x10;  // device ID 17 as the user counts

inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::size_t kDt1MessageSize = 266;  // 8 header, 256 data, checksum, F7
inline constexpr std::size_t kRequestSize = 13;
inline constexpr std::size_t kPatchRecordSize = 384;
inline constexpr std::size_t kPatchNameSize = 16;
inline constexpr std::size_t kPatchCount = 64;
inline constexpr std::size_t kDumpMessageCount = 96;
inline constexpr std::size_t kDumpFileSize = kDumpMessageCount * kDt1MessageSize;  // 25,536
inline constexpr std::size_t kPatchMemorySize = kPatchCount * kPatchRecordSize;    // 24,576
inline constexpr Address kPatchMemoryAddress{0x05, 0x00, 0x00};
inline constexpr Address kTemporaryPatchAddress{0x00, 0x00, 0x00};

using PatchRecord = std::array<std::uint8_t, kPatchRecordSize>;

// An empty bank slot: the name "<None>" and ten blanks, every other byte zero.
PatchRecord EmptyPatchRecord();

// (128 - sum % 128) % 128 over the address and data (or size) bytes.
std::uint8_t RolandChecksum(std::span<const std::uint8_t> bytes);

// The device byte for a device ID as the user enters it (1..128 gives 00..7F). An ID
// outside that range would give a byte that is not a data byte; such messages carry 10.
std::uint8_t DeviceByte(int deviceId);

// address + offset in 7-bit-a-byte arithmetic (a step of 256 adds 2 to the middle byte).
Address AddressPlus(Address address, std::uint32_t offset);

Bytes BuildDt1(std::uint8_t deviceByte, Address address, std::span<const std::uint8_t> data);
Bytes BuildRq1(std::uint8_t deviceByte, Address address, std::uint32_t size);

// The two DT1 messages (266 and 138 bytes) that load a record into the temporary patch.
std::array<Bytes, 2> BuildTemporaryPatchWrite(std::uint8_t deviceByte, const PatchRecord& record);
// RQ1 for the 256 bytes of patch memory at hh mm 00.
Bytes BuildDumpRequest(std::uint8_t deviceByte, Address address);
// The 96 DT1 messages of 266 bytes that carry 64 records from address 05 00 00 on.
std::vector<Bytes> BuildPatchMemoryDump(std::uint8_t deviceByte,
                                        std::span<const PatchRecord, kPatchCount> records);
// The same 96 messages back to back: the 25,536 bytes of a standard dump file.
Bytes BuildPatchMemoryDumpFile(std::uint8_t deviceByte,
                               std::span<const PatchRecord, kPatchCount> records);

}  // namespace tessel::format
