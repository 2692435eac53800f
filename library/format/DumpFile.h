#pragma once
// Reading ".syx" dump files. No file is kept open: each call opens, reads and closes.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/format/RolandMessage.h"

namespace tessel::format {

inline constexpr std::size_t kPairBlockSize = 798;  // three 266-byte messages, two records

struct PatchEntry {
    int index;         // 0-based position in the dump, may pass 63 in longer files
    std::string name;  // the 16 stored bytes cut at the first zero byte, blanks kept
};

// Offset of the F0 of the first F0 41 dd 3D 12 05, or none (also when unreadable).
std::optional<std::uint64_t> FindDumpStart(const std::filesystem::path& file);
// Two names per whole 798-byte block from the dump start; empty without a dump.
std::vector<PatchEntry> ReadPatchNames(const std::filesystem::path& file);
// The 384 bytes of record `index`, following message boundaries; none on any shortfall.
std::optional<PatchRecord> ReadPatchRecord(const std::filesystem::path& file, int index);

// "%d%d" of group index / 8 + 1 and number index % 8 + 1: 0 gives "11", 64 gives "91".
std::string PatchLabel(int index);
// (v % 10) + (v / 10) * 8 - 9: "35" read as 35 gives 20.
int LabelToIndex(int label);
// "11- NAME": the patch list's entry text.
std::string PatchEntryText(const PatchEntry& entry);
// True when text occurs in name, letters compared without regard to case.
bool NameContains(std::string_view name, std::string_view text);

// Bare names of the files in folder matching "*.syx" without regard to case, folders
// excluded, sorted without regard to case; empty when the folder cannot be listed.
std::vector<std::string> ListDumpFiles(const std::filesystem::path& folder);

}  // namespace tessel::format
