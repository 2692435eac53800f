#include "bank/BankFile.h"

#include <string_view>

#include "core/files/ReplaceFile.h"
#include "library/format/DumpFile.h"

namespace tessel::bank {

format::Bytes BankImage(std::span<const format::PatchRecord, kSlotCount> records,
                        std::uint8_t deviceByte) {
    format::Bytes image;
    image.reserve(format::kDumpFileSize);
    for (const format::Bytes& message : format::BuildPatchMemoryDump(deviceByte, records)) {
        image.insert(image.end(), message.begin(), message.end());
    }
    return image;
}

bool WriteBankFile(const std::filesystem::path& file,
                   std::span<const format::PatchRecord, kSlotCount> records,
                   std::uint8_t deviceByte, std::error_code& error) {
    const format::Bytes image = BankImage(records, deviceByte);
    const std::string_view content(reinterpret_cast<const char*>(image.data()), image.size());
    return ReplaceFileContent(file, content, error);
}

BankReading ReadBankFile(const std::filesystem::path& file) {
    using Outcome = BankReading::Outcome;
    BankReading reading;
    reading.records.fill(EmptySlotRecord());
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const auto record = format::ReadPatchRecord(file, slot, reading.error);
        if (reading.error) {
            reading.outcome = Outcome::Unreadable;
            reading.patches = 0;
            return reading;
        }
        if (!record) {
            break;
        }
        reading.records[slot] = *record;
        reading.patches = slot + 1;
    }
    reading.outcome = reading.patches > 0 ? Outcome::Read : Outcome::NoDump;
    return reading;
}

}  // namespace tessel::bank
