#include "library/format/DumpFile.h"

#include <algorithm>

#include "library/format/DumpReaders.h"
#include "library/format/FileWindow.h"

namespace tessel::format {

namespace {

constexpr std::string_view kDumpExtension = ".syx";

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualFolded(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

// Case-insensitive order; names equal but for case keep a fixed byte order between them.
bool LessFolded(const std::string& a, const std::string& b) {
    const auto folded =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(FoldCase(x)) <
                   static_cast<unsigned char>(FoldCase(y));
        });
    if (folded || !EqualFolded(a, b)) {
        return folded;
    }
    return a < b;
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
    if (text.size() > name.size()) {
        return false;
    }
    for (std::size_t p = 0; p + text.size() <= name.size(); ++p) {
        if (EqualFolded(name.substr(p, text.size()), text)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> ListDumpFiles(const std::filesystem::path& folder,
                                       std::error_code& error) {
    std::vector<std::string> names;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (HasDumpExtension(name) && !it->is_directory(typeError)) {
            names.push_back(std::move(name));
        }
    }
    if (error) {
        return {};
    }
    std::sort(names.begin(), names.end(), LessFolded);
    return names;
}

std::vector<std::string> ListDumpFiles(const std::filesystem::path& folder) {
    std::error_code ignored;
    return ListDumpFiles(folder, ignored);
}

}  // namespace tessel::format
