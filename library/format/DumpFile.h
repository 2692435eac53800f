#pragma once
// Reading ".syx" dump files. No file is kept open: each call opens, reads and closes.
// The readers take the exclusive bytes of a file: the file itself, or the exclusive events of
// a Standard MIDI File. A dump in the standard layout (266-byte messages one after the other
// from the dump start) is read by offsets, as a received dump or a saved bank is laid out;
// patch memory in any other DT1 messages is assembled by address, and its patches are those
// it holds whole, by patch number.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "library/format/RolandMessage.h"

namespace tessel::format {

inline constexpr std::size_t kPairBlockSize = 798;  // three 266-byte messages, two records
inline constexpr std::size_t kFindTextLimit = 19;   // characters of a search text that count

struct PatchEntry {
    int index;         // 0-based position in the dump, may pass 63 in longer files
    std::string name;  // the 16 stored bytes cut at the first zero byte, blanks kept

    bool operator==(const PatchEntry&) const = default;
};

enum class DumpLayout {
    none,       // no DT1 message put data into patch memory
    standard,   // 266-byte messages to 05 00 00, 05 02 00, ... from the dump start to the end
    byAddress,  // any other DT1 messages to patch memory, assembled by their addresses
};

// The patches 0-63 a file holds, by patch number.
struct HeldPatches {
    DumpLayout layout = DumpLayout::none;
    std::array<std::optional<PatchRecord>, kPatchCount> records;
};

// Offset of the F0 of the first F0 41 dd 3D 12 05 in the file's bytes, or none (also when
// unreadable).
std::optional<std::uint64_t> FindDumpStart(const std::filesystem::path& file);
// Standard layout: two names per whole 798-byte block from the dump start, indices going on
// past 63 in longer files. Other layouts: the patches held whole. Empty without a dump.
std::vector<PatchEntry> ReadPatchNames(const std::filesystem::path& file);
// The 384 bytes of record `index` as ReadPatchNames lists it (standard layout: following
// message boundaries from its block offset); none on any shortfall.
std::optional<PatchRecord> ReadPatchRecord(const std::filesystem::path& file, int index);

// The same, telling a file that cannot be opened or read (error set) from one that holds
// no dump or too little of it (error clear).
std::optional<std::uint64_t> FindDumpStart(const std::filesystem::path& file,
                                           std::error_code& error);
std::vector<PatchEntry> ReadPatchNames(const std::filesystem::path& file, std::error_code& error);
std::optional<PatchRecord> ReadPatchRecord(const std::filesystem::path& file, int index,
                                           std::error_code& error);
// The records of the patches 0-63 that ReadPatchNames lists.
HeldPatches ReadHeldPatches(const std::filesystem::path& file, std::error_code& error);

// A search text prepared once for many names: only its first kFindTextLimit characters
// count, and Matches(name) is NameContains(name, those characters).
class NameSearch {
public:
    explicit NameSearch(std::string_view text);
    bool Matches(std::string_view name) const;

private:
    std::string folded_;
};

// The entries of ReadPatchNames whose name the search matches, in the same order; a whole
// library is searched without building every file's list.
std::vector<PatchEntry> FindPatchNames(const std::filesystem::path& file, const NameSearch& search,
                                       std::error_code& error);

// The same over bytes already in memory (the whole file's contents).
std::optional<std::uint64_t> FindDumpStartInBytes(std::span<const std::uint8_t> bytes);
std::vector<PatchEntry> ReadPatchNamesFromBytes(std::span<const std::uint8_t> bytes);
std::optional<PatchRecord> ReadPatchRecordFromBytes(std::span<const std::uint8_t> bytes, int index);
HeldPatches ReadHeldPatchesFromBytes(std::span<const std::uint8_t> bytes);

// "%d%d" of group index / 8 + 1 and number index % 8 + 1: 0 gives "11", 64 gives "91".
std::string PatchLabel(int index);
// (v % 10) + (v / 10) * 8 - 9: "35" read as 35 gives 20.
int LabelToIndex(int label);
// "11- NAME": the patch list's entry text.
std::string PatchEntryText(const PatchEntry& entry);
// "FILE\t11- NAME": a Find result's entry text, the file name as listed.
std::string FindResultText(std::string_view fileName, const PatchEntry& entry);
// True when text occurs in name, letters compared without regard to case.
bool NameContains(std::string_view name, std::string_view text);

// Bare names of the files in folder matching "*.syx" without regard to case, folders
// excluded, sorted without regard to case; empty when the folder cannot be listed.
std::vector<std::string> ListDumpFiles(const std::filesystem::path& folder);
// The same; error set when the folder cannot be listed.
std::vector<std::string> ListDumpFiles(const std::filesystem::path& folder, std::error_code& error);

}  // namespace tessel::format
