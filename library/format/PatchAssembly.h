#pragma once
// Patch memory assembled by address, as the instrument stores what it receives: every DT1
// message to the JD-800 (F0 41 dd 3D 12 a2 a1 a0 data cs F7, any device byte) whose address
// lies in 05 00 00 .. 06 3F 7F puts its data at that address's offset in the 24,576 bytes
// of patch memory, a later message over an earlier one. Data past the end of patch memory
// is dropped, checksums are not compared, and a message that an F0 or the end of the bytes
// cuts off before its F7 puts nothing. A patch is held when all its 384 bytes arrived.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "library/format/RolandMessage.h"

namespace tessel::format {

struct PatchMemory {
    // Left uninitialised: only patches whose every byte arrived are read.
    std::unique_ptr<std::uint8_t[]> image =
        std::make_unique_for_overwrite<std::uint8_t[]>(kPatchMemorySize);
    Bytes arrived = Bytes(kPatchMemorySize);  // 1 where a byte arrived
    std::array<std::size_t, kPatchCount> arrivedCount{};

    // data at offset, which it fits into.
    void Store(std::size_t offset, std::span<const std::uint8_t> data);
    bool Held(std::size_t patch) const { return arrivedCount[patch] == kPatchRecordSize; }
    const std::uint8_t* RecordBytes(std::size_t patch) const {
        return image.get() + patch * kPatchRecordSize;
    }
    PatchRecord Record(std::size_t patch) const;
};

// What one exclusive message of the bytes did.
struct MessageUse {
    enum class Kind {
        patchData,           // a DT1 that put data into patch memory
        notJd800Data,        // another maker, model or command
        outsidePatchMemory,  // a DT1 to an address before 05 00 00 or after 06 3F 7F
        noData,              // a DT1 with only its address and checksum
        tooShort,            // a DT1 cut before its address and checksum
        unterminated,        // an F0 or the end of the bytes came before its F7
    };
    Kind kind;
    std::uint64_t offset;  // of its F0
    Address address{};     // DT1 messages: the address
    std::size_t dataBytes = 0;
};

// Fed the bytes in order, a run at a time, in bounded memory.
class AssemblyWalk {
public:
    // uses, when given, gets one entry per message.
    explicit AssemblyWalk(PatchMemory& memory, std::vector<MessageUse>* uses = nullptr);

    void Feed(std::span<const std::uint8_t> bytes, std::uint64_t offset);
    void Finish();

private:
    void Begin(std::uint64_t offset);
    void TakeHeader(std::uint8_t byte);
    void TakeBody(std::span<const std::uint8_t> bytes);
    void End();
    void Note(MessageUse::Kind kind, std::size_t dataBytes = 0);

    PatchMemory& memory_;
    std::vector<MessageUse>* uses_;
    bool inMessage_ = false;
    std::uint64_t start_ = 0;
    std::size_t headerLength_ = 0;  // header bytes so far, the F0 included
    std::array<std::uint8_t, kHeaderSize> header_{};
    bool toPatchMemory_ = false;
    std::size_t target_ = 0;     // offset in patch memory of the first data byte
    std::size_t bodyBytes_ = 0;  // after the header: data and checksum
    Bytes pending_;              // the body while it fits into patch memory, and one byte more
};

}  // namespace tessel::format
