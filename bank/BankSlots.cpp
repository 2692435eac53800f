#include "bank/BankSlots.h"

#include <algorithm>
#include <string_view>

namespace tessel::bank {
namespace {

constexpr std::string_view kEmptyName = "<None>          ";
static_assert(kEmptyName.size() == format::kPatchNameSize);

format::PatchRecord MakeEmptyRecord() {
    format::PatchRecord record{};
    std::copy(kEmptyName.begin(), kEmptyName.end(), record.begin());
    return record;
}

std::string NumberOf(int slot) {
    return std::to_string(slot / kSlotsPerGroup + 1) + std::to_string(slot % kSlotsPerGroup + 1);
}

}  // namespace

const format::PatchRecord& EmptySlotRecord() {
    static const format::PatchRecord empty = MakeEmptyRecord();
    return empty;
}

bool IsEmptySlot(const format::PatchRecord& record) {
    return std::equal(kEmptyName.begin(), kEmptyName.end(), record.begin());
}

std::string GroupLabel(int group) {
    const std::string g = std::to_string(group + 1);
    return "Group " + g + "1-" + g + "8";
}

std::string SlotLabel(int slot, const format::PatchRecord& record) {
    std::size_t length = format::kPatchNameSize;
    while (length > 1 && record[length - 1] == ' ') {
        --length;
    }
    const auto* bytes = reinterpret_cast<const char*>(record.data());
    const std::string_view trimmed(bytes, length);
    return NumberOf(slot) + "-" + std::string(trimmed.substr(0, trimmed.find('\0')));
}

}  // namespace tessel::bank
