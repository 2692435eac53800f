#include "midi/sysex/SysexBlock.h"

#include <new>

namespace tessel::midi {

std::unique_ptr<SysexBlock> SysexBlockMemory::Allocate() {
    return std::unique_ptr<SysexBlock>(new (std::nothrow) SysexBlock());
}

bool SysexBlockMemory::Lock(SysexBlock& /*block*/) {
    return true;
}

bool SysexBlockMemory::Free(SysexBlock& /*block*/) {
    return true;
}

}  // namespace tessel::midi
