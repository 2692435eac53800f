#pragma once
// One System Exclusive block: a 2048-byte data area and the header that describes it to the
// MIDI service. The memory comes from a SysexBlockMemory so that tests can make getting,
// locking or freeing it fail.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "midi/service/MidiService.h"

namespace tessel::midi {

inline constexpr std::size_t kSysexDataAreaSize = 2048;

struct SysexBlock {
    std::array<std::uint8_t, kSysexDataAreaSize> data{};  // zero-filled
    MidiHeader header;
    bool handedOver = false;  // the service accepted it (LongMsg, AddBuffer)

    // Back once the service has marked it done: it clears kInQueue before it sets kDone, so
    // kDone is the last thing it writes to the block.
    bool ReturnedByService() const {
        const auto flags = header.flags.load();
        return (flags & MidiHeader::kDone) != 0 && (flags & MidiHeader::kInQueue) == 0;
    }
    bool HeldByService() const { return handedOver && !ReturnedByService(); }
    bool PointsAtDataArea() const { return header.data == data.data(); }
};

class SysexBlockMemory {
public:
    virtual ~SysexBlockMemory() = default;
    // A zero-filled block, or nullptr when memory cannot be had.
    virtual std::unique_ptr<SysexBlock> Allocate();
    // Makes the block usable by the MIDI service; false when that fails.
    virtual bool Lock(SysexBlock& block);
    // Called before the block is deleted; false reports a failed free (it is deleted anyway).
    virtual bool Free(SysexBlock& block);
};

}  // namespace tessel::midi
