#include "library/format/DumpFile.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "library/format/DumpReaders.h"
#include "library/format/FileWindow.h"
#include "library/format/FolderEntries.h"

namespace tessel::format {

namespace {

constexpr std::string_view kDumpExtension = ".syx";

// Letters A-Z and a-z fold to small letters; every other byte stays itself.
constexpr std::array<char, 256> kFolded = [] {
    std::array<char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[c] = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return table;
}();

char FoldCase(char c) {
    return kFolded[static_cast<unsigned char>(c)];
}

bool EqualFolded(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = FoldCase(c);
    }
    return folded;
}

// True when folded (already in small letters) occurs in name with its letters folded.
bool ContainsFolded(std::string_view name, std::string_view folded) {
    if (folded.size() > name.size()) {
        return false;
    }
    if (folded.empty()) {
        return true;
    }
    const std::size_t lastStart = name.size() - folded.size();
    for (std::size_t p = 0; p <= lastStart; ++p) {
        std::size_t i = 0;
        while (i < folded.size() && FoldCase(name[p + i]) == folded[i]) {
            ++i;
        }
        if (i == folded.size()) {
            return true;
        }
    }
    return false;
}

// Case-insensitive order; names equal but for case keep a fixed byte order between them.
// The folded keys are made once and an index is sorted, so no name moves while sorting.
void SortWithoutRegardToCase(std::vector<std::string>& names) {
    std::vector<std::string> keys;
    keys.reserve(names.size());
    for (const auto& name : names) {
        keys.push_back(Folded(name));
    }
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int byKey = keys[a].compare(keys[b]);
        return byKey != 0 ? byKey < 0 : names[a] < names[b];
    });
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (std::size_t i : order) {
        sorted.push_back(std::move(names[i]));
    }
    names = std::move(sorted);
}

bool HasDumpExtension(std::string_view name) {
    return name.size() >= kDumpExtension.size() &&
           EqualFolded(name.substr(name.size() - kDumpExtension.size()), kDumpExtension);
}

template <class Result, class Walk>
Result ReadFile(const std::filesystem::path& file, std::error_code& error, Walk walk) {
    FileWindow window(file);
    Result result = walk(window);
    error = window.Error();
    return error ? Result{} : result;
}

}  // namespace

std::optional<std::uint64_t> FindDumpStart(const std::filesystem::path& file,
                                           std::error_code& error) {
    return ReadFile<std::optional<std::uint64_t>>(
        file, error, [](FileWindow& window) { return detail::FindDumpStartIn(window); });
}

std::vector<PatchEntry> ReadPatchNames(const std::filesystem::path& file, std::error_code& error) {
    return ReadFile<std::vector<PatchEntry>>(
        file, error, [](FileWindow& window) { return detail::ReadPatchNamesIn(window); });
}

std::optional<PatchRecord> ReadPatchRecord(const std::filesystem::path& file, int index,
                                           std::error_code& error) {
    return ReadFile<std::optional<PatchRecord>>(file, error, [index](FileWindow& window) {
        return detail::ReadPatchRecordIn(window, index);
    });
}

HeldPatches ReadHeldPatches(const std::filesystem::path& file, std::error_code& error) {
    return ReadFile<HeldPatches>(
        file, error, [](FileWindow& window) { return detail::ReadHeldPatchesIn(window); });
}

std::vector<PatchEntry> FindPatchNames(const std::filesystem::path& file, const NameSearch& search,
                                       std::error_code& error) {
    std::vector<PatchEntry> hits;
    FileWindow window(file);
    detail::VisitPatchNamesIn(window, [&](int index, std::string_view name) {
        if (search.Matches(name)) {
            hits.push_back({index, std::string(name)});
        }
    });
    error = window.Error();
    if (error) {
        hits.clear();
    }
    return hits;
}

std::optional<std::uint64_t> FindDumpStart(const std::filesystem::path& file) {
    std::error_code ignored;
    return FindDumpStart(file, ignored);
}

std::vector<PatchEntry> ReadPatchNames(const std::filesystem::path& file) {
    std::error_code ignored;
    return ReadPatchNames(file, ignored);
}

std::optional<PatchRecord> ReadPatchRecord(const std::filesystem::path& file, int index) {
    std::error_code ignored;
    return ReadPatchRecord(file, index, ignored);
}

std::optional<std::uint64_t> FindDumpStartInBytes(std::span<const std::uint8_t> bytes) {
    MemoryWindow window(bytes);
    return detail::FindDumpStartIn(window);
}

std::vector<PatchEntry> ReadPatchNamesFromBytes(std::span<const std::uint8_t> bytes) {
    MemoryWindow window(bytes);
    return detail::ReadPatchNamesIn(window);
}

std::optional<PatchRecord> ReadPatchRecordFromBytes(std::span<const std::uint8_t> bytes,
                                                    int index) {
    MemoryWindow window(bytes);
    return detail::ReadPatchRecordIn(window, index);
}

HeldPatches ReadHeldPatchesFromBytes(std::span<const std::uint8_t> bytes) {
    MemoryWindow window(bytes);
    return detail::ReadHeldPatchesIn(window);
}

std::string PatchLabel(int index) {
    return std::to_string(index / 8 + 1) + std::to_string(index % 8 + 1);
}

int LabelToIndex(int label) {
    return (label % 10) + (label / 10) * 8 - 9;
}

std::string PatchEntryText(const PatchEntry& entry) {
    return PatchLabel(entry.index) + "- " + entry.name;
}

std::string FindResultText(std::string_view fileName, const PatchEntry& entry) {
    std::string text(fileName);
    text += '\t';
    text += PatchEntryText(entry);
    return text;
}

bool NameContains(std::string_view name, std::string_view text) {
    return ContainsFolded(name, Folded(text));
}

NameSearch::NameSearch(std::string_view text) : folded_(Folded(text.substr(0, kFindTextLimit))) {}

bool NameSearch::Matches(std::string_view name) const {
    return ContainsFolded(name, folded_);
}

std::vector<std::string> ListDumpFiles(const std::filesystem::path& folder,
                                       std::error_code& error) {
    std::vector<std::string> names;
    error = ReadFolder(folder, [&names](std::string_view name, bool isFolder) {
        if (!isFolder && HasDumpExtension(name)) {
            names.emplace_back(name);
        }
    });
    if (error) {
        return {};
    }
    SortWithoutRegardToCase(names);
    return names;
}

std::vector<std::string> ListDumpFiles(const std::filesystem::path& folder) {
    std::error_code ignored;
    return ListDumpFiles(folder, ignored);
}

}  // namespace tessel::format
