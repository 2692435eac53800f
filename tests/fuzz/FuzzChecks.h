#pragma once
// What every reading of arbitrary bytes must satisfy, whatever the bytes are.
#include <cstdio>
#include <cstdlib>
#include <span>

#include "library/format/DumpFile.h"
#include "library/format/DumpReaders.h"

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

// The start is the first mark, and there are exactly two names per whole block after it.
inline void CheckStartAndNames(std::span<const std::uint8_t> bytes,
                               const std::optional<std::uint64_t>& start,
                               const std::vector<PatchEntry>& names) {
    const std::size_t end = start ? static_cast<std::size_t>(*start) : bytes.size();
    for (std::size_t at = 0; at < end; ++at) {
        Require(!MarkAt(bytes, at), "a mark before the dump start");
    }
    if (!start) {
        Require(names.empty(), "names without a dump start");
        return;
    }
    Require(MarkAt(bytes, end), "the dump start is not a mark");
    Require(names.size() == 2 * ((bytes.size() - end) / kPairBlockSize), "two names a block");
    for (std::size_t i = 0; i < names.size(); ++i) {
        Require(names[i].index == static_cast<int>(i), "indices count up from 0");
        Require(names[i].name.size() <= kPatchNameSize, "a name longer than 16");
        Require(names[i].name.find('\0') == std::string::npos, "a zero byte in a name");
    }
}

// Indices worth a record read: the first two, the last listed, one past it, one from the data.
inline std::vector<int> RecordIndices(std::span<const std::uint8_t> bytes, std::size_t names) {
    std::vector<int> indices{0, 1, static_cast<int>(names), -1};
    if (names > 0) {
        indices.push_back(static_cast<int>(names) - 1);
    }
    if (!bytes.empty()) {
        indices.push_back(bytes.back() % 80);
    }
    return indices;
}

}  // namespace tessel::format::fuzz
