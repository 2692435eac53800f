#pragma once
// The slots of a bank and how they are labelled. Slot i (0..63) is patch number "%d%d" of
// group i / 8 + 1 and number i % 8 + 1, from "11" to "88", as the instrument counts.
#include <string>

#include "library/format/RolandMessage.h"

namespace tessel::bank {

inline constexpr int kSlotCount = int(format::kPatchCount);
inline constexpr int kGroupCount = 8;
inline constexpr int kSlotsPerGroup = 8;

// 384 zero bytes under the name "<None>" and ten blanks.
const format::PatchRecord& EmptySlotRecord();
// A slot is empty exactly when its name is the empty slot's name, whatever follows it.
bool IsEmptySlot(const format::PatchRecord& record);

// "Group 11-18" .. "Group 81-88", for group 0..7.
std::string GroupLabel(int group);
// "11-BRASS": the slot's number, a dash and its name with trailing blanks removed (the
// first character always stays) and cut at a zero byte. An empty slot reads "11-<None>".
std::string SlotLabel(int slot, const format::PatchRecord& record);

}  // namespace tessel::bank
