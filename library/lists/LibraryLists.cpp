#include "library/lists/LibraryLists.h"

#include <system_error>

#include "library/format/DumpFile.h"
#include "library/lists/LibraryText.h"

namespace tessel::library {

QStringList ListLibraryFiles(const QString& folder) {
    QStringList names;
    for (const std::string& name : format::ListDumpFiles(ToFileSystemPath(folder))) {
        names.append(FromFileSystemName(name));
    }
    return names;
}

// Names read without a whole block after a dump start leave the list empty, so only then is
// the dump start looked for on its own.
PatchListing ListPatches(const QString& fullPath) {
    const std::filesystem::path file = ToFileSystemPath(fullPath);
    std::error_code error;
    const std::vector<format::PatchEntry> names = format::ReadPatchNames(file, error);
    if (error) {
        return {DumpOutcome::Unreadable, {}};
    }
    if (names.empty() && !format::FindDumpStart(file)) {
        return {DumpOutcome::NoDump, {}};
    }
    PatchListing listing{DumpOutcome::Listed, {}};
    listing.entries.reserve(static_cast<qsizetype>(names.size()));
    for (const format::PatchEntry& entry : names) {
        listing.entries.append(PatchListEntry(entry));
    }
    return listing;
}

FindOutcome FindInLibrary(const QString& folder, const QStringList& fileNames,
                          const QString& fieldText) {
    FindOutcome outcome;
    const std::optional<std::string> text = SearchTextBytes(fieldText);
    if (!text) {
        return outcome;
    }
    const format::NameSearch search(*text);
    for (const QString& fileName : fileNames) {
        std::error_code error;
        const auto hits = format::FindPatchNames(
            ToFileSystemPath(LibraryFilePath(folder, fileName)), search, error);
        if (error) {
            outcome.skipped.append(fileName);
            continue;
        }
        for (const format::PatchEntry& hit : hits) {
            outcome.results.append(FindResultEntry(fileName, hit));
        }
    }
    return outcome;
}

}  // namespace tessel::library
