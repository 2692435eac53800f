#include "library/lists/LibraryLists.h"

#include <system_error>

#include "library/format/DumpFile.h"
#include "library/lists/LibraryText.h"

namespace tessel::library {

std::vector<std::string> ListLibraryFiles(const QString& folder) {
    return format::ListDumpFiles(ToFileSystemPath(folder));
}

// Names read without a whole block after a dump start leave the list empty, so only then is
// the dump start looked for on its own.
PatchListing ListPatches(const std::filesystem::path& file) {
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

}  // namespace tessel::library
