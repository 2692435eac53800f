#pragma once
// What every reading of arbitrary bytes must satisfy, whatever the bytes are.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "library/format/DumpReaders.h"
#include "library/format/DumpSurvey.h"

namespace tessel::format::fuzz {

inline void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken rule: %s\n", what);
        std::abort();
    }
}

inline bool MarkAt(std::span<const std::uint8_t> bytes, std::size_t at) {
    return at + detail::kDumpMarkSize <= bytes.size() && detail::IsDumpMark(bytes.data() + at);
}

// The start is the first mark. Names come in patch order, at most 16 bytes without a zero
// byte. A standard layout lists two a whole block after its start; any other at most the 64
// patches, and only after a DT1 that may reach patch memory. A MIDI file's names come from its
// exclusive events instead.
inline void CheckStartAndNames(std::span<const std::uint8_t> bytes,
                               const std::optional<std::uint64_t>& start,
                               const std::vector<PatchEntry>& names) {
    const std::size_t end = start ? static_cast<std::size_t>(*start) : bytes.size();
    for (std::size_t at = 0; at < end; ++at) {
        Require(!MarkAt(bytes, at), "a mark before the dump start");
    }
    Require(!start || MarkAt(bytes, end), "the dump start is not a mark");
    for (std::size_t i = 0; i < names.size(); ++i) {
        Require(i == 0 || names[i].index > names[i - 1].index, "indices in patch order");
        Require(names[i].name.size() <= kPatchNameSize, "a name longer than 16");
        Require(names[i].name.find('\0') == std::string::npos, "a zero byte in a name");
    }
    MemoryWindow window(bytes);
    if (IsMidiFile(bytes)) {
        return;
    }
    if (detail::StandardStartIn(window)) {
        Require(names.size() == 2 * ((bytes.size() - end) / kPairBlockSize), "two names a block");
        return;
    }
    Require(names.empty() || (names.back().index < static_cast<int>(kPatchCount) &&
                              detail::FindMark(bytes, detail::IsPatchMemoryMark)),
            "names past 88 or without a DT1 to patch memory");
}

// The check finds the layout and the names the readers find; every held patch is the record
// read alone (a standard layout may hold a whole record past its last whole block, which is
// not listed), and no record lies at a negative index.
inline void CheckHeldPatches(std::span<const std::uint8_t> bytes,
                             const std::vector<PatchEntry>& names,
                             const std::vector<int>& indices) {
    const HeldPatches held = ReadHeldPatchesFromBytes(bytes);
    const DumpSurvey survey = SurveyDumpBytes(bytes);
    Require(survey.layout == held.layout && survey.patches == names.size(), "the check agrees");
    for (int index : indices) {
        Require(index >= 0 || !ReadPatchRecordFromBytes(bytes, index), "a negative index");
        const bool listed = std::any_of(names.begin(), names.end(), [index](const auto& entry) {
            return entry.index == index;
        });
        if (index >= 0 && index < static_cast<int>(kPatchCount) &&
            (listed || held.layout != DumpLayout::standard)) {
            Require(held.records[static_cast<std::size_t>(index)] ==
                        ReadPatchRecordFromBytes(bytes, index),
                    "the held record is the one read alone");
        }
    }
}

// Indices worth a record read: the first two, the last listed, one past it, one from the data.
inline std::vector<int> RecordIndices(std::span<const std::uint8_t> bytes, std::size_t names) {
    const int n = static_cast<int>(names);
    return {0, 1, n - 1, n, -1, bytes.empty() ? 0 : bytes.back() % 80};
}

}  // namespace tessel::format::fuzz
