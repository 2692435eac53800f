#pragma once
// The bank the bank builder composes: 64 patch records in instrument order and whether it
// has changed since it was last built, loaded, saved or given up by the user. A plain object
// the window shows as a tree; it knows nothing of widgets.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>

#include "bank/BankFile.h"

namespace tessel::bank {

class Bank {
public:
    Bank();  // every slot empty, unmodified

    const format::PatchRecord& Slot(int slot) const { return records_[slot]; }
    std::span<const format::PatchRecord, kSlotCount> Slots() const { return records_; }
    std::string Label(int slot) const { return SlotLabel(slot, records_[slot]); }

    bool Modified() const { return modified_; }
    // The user agreed to lose the changes, or the rename dialog changed a name.
    void SetModified(bool modified) { modified_ = modified; }

    // Every slot empty; unmodified.
    void Clear();
    // Record `index` of `file` into the slot. The record is read whole before the slot is
    // touched, so a file that changed or vanished leaves the slot as it was (false). The bank
    // counts as modified either way.
    bool CopyPatch(int slot, const std::filesystem::path& file, int index);
    // The slot's 16 name bytes, for the rename dialog to edit in place.
    std::span<std::uint8_t, format::kPatchNameSize> Name(int slot);

    // Takes the records of any dump file; unmodified afterwards. A file that cannot be read
    // or holds no whole patch leaves the bank and its flag as they were.
    BankReading Load(const std::filesystem::path& file);
    // Writes the bank file; unmodified only once the whole file is in place. On failure the
    // flag stays and `error` gives the reason.
    bool Save(const std::filesystem::path& file, std::uint8_t deviceByte, std::error_code& error);

private:
    BankRecords records_;
    bool modified_ = false;
};

}  // namespace tessel::bank
