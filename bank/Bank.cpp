#include "bank/Bank.h"

#include "library/format/DumpFile.h"

namespace tessel::bank {

Bank::Bank() {
    Clear();
}

void Bank::Clear() {
    records_.fill(EmptySlotRecord());
    modified_ = false;
}

bool Bank::CopyPatch(int slot, const std::filesystem::path& file, int index) {
    modified_ = true;
    const auto record = format::ReadPatchRecord(file, index);
    if (!record) {
        return false;
    }
    records_[slot] = *record;
    return true;
}

std::span<std::uint8_t, format::kPatchNameSize> Bank::Name(int slot) {
    return std::span<std::uint8_t, format::kPatchRecordSize>(records_[slot])
        .first<format::kPatchNameSize>();
}

BankReading Bank::Load(const std::filesystem::path& file) {
    BankReading reading = ReadBankFile(file);
    if (reading.outcome == BankReading::Outcome::Read) {
        records_ = reading.records;
        modified_ = false;
    }
    return reading;
}

bool Bank::Save(const std::filesystem::path& file, std::uint8_t deviceByte,
                std::error_code& error) {
    if (!WriteBankFile(file, records_, deviceByte, error)) {
        return false;
    }
    modified_ = false;
    return true;
}

}  // namespace tessel::bank
