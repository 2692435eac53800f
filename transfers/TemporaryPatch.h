#pragma once
// One patch into the instrument's temporary patch area, so that it sounds at once without
// any change to its patch memory: a 266-byte DT1 to 00 00 00 with record bytes 0-255, then a
// 138-byte DT1 to 00 02 00 with bytes 256-383, each built in the outgoing block.
#include <cstdint>

#include "library/format/RolandMessage.h"

namespace tessel::midi {
class SysexTransfer;
}

namespace tessel::transfers {

// The second message goes only after the first went out. False when the block could not be
// taken (silently) or a send failed (its message already shown).
bool SendRecordToTemporary(midi::SysexTransfer& sysex, std::uint8_t deviceByte,
                           const format::PatchRecord& record);

}  // namespace tessel::transfers
