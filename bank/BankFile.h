#pragma once
// A bank as a file: the patch memory dump of its 64 records, 96 DT1 messages of 266 bytes
// (25,536 bytes) addressed 05 00 00 .. 06 3E 00 and nothing else, which the instrument and
// every other tool take as an ordinary dump. Reading back takes the records of any dump.
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

#include "bank/BankSlots.h"
#include "library/format/RolandMessage.h"

namespace tessel::bank {

using BankRecords = std::array<format::PatchRecord, kSlotCount>;

// The file's bytes, composed in memory.
format::Bytes BankImage(std::span<const format::PatchRecord, kSlotCount> records,
                        std::uint8_t deviceByte);

// Writes the image through a temporary file in the target's folder renamed over the target
// once complete, so that an existing file survives any failure unchanged. False with the
// reason in `error` when the file could not be written.
bool WriteBankFile(const std::filesystem::path& file,
                   std::span<const format::PatchRecord, kSlotCount> records,
                   std::uint8_t deviceByte, std::error_code& error);

struct BankReading {
    enum class Outcome {
        Read,        // `patches` (1..64) whole records; the other slots are empty
        NoDump,      // no patch memory dump, or not one whole patch of it
        Unreadable,  // the file could not be opened or read; `error` says why
    };
    Outcome outcome = Outcome::NoDump;
    int patches = 0;
    BankRecords records{};
    std::error_code error;
};

// The first 64 records of any dump file, whatever its device byte, name or extension. A file
// holding fewer whole patches gives those, in the first slots.
BankReading ReadBankFile(const std::filesystem::path& file);

}  // namespace tessel::bank
