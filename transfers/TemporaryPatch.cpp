#include "transfers/TemporaryPatch.h"

#include <algorithm>

#include "midi/sysex/SysexTransfer.h"

namespace tessel::transfers {
namespace {

bool SendBuilt(midi::SysexTransfer& sysex, const format::Bytes& message) {
    if (!sysex.TakeSysexBlock(message.size())) {
        return false;
    }
    std::ranges::copy(message, sysex.BlockData().begin());
    return sysex.SendSysexBlock();
}

}  // namespace

bool SendRecordToTemporary(midi::SysexTransfer& sysex, std::uint8_t deviceByte,
                           const format::PatchRecord& record) {
    const auto messages = format::BuildTemporaryPatchWrite(deviceByte, record);
    return SendBuilt(sysex, messages[0]) && SendBuilt(sysex, messages[1]);
}

}  // namespace tessel::transfers
