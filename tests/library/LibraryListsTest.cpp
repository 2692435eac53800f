// Reading the library folder as the lists need it: the file cases the window tests do not reach.
#include <gtest/gtest.h>

#include "library/lists/LibraryLists.h"
#include "library/lists/LibraryText.h"
#include "tests/format/DumpFixtures.h"
#include "tests/library/QStringPrinter.h"

namespace tessel::library {
namespace {

using format::test::TempFolder;

const format::Bytes kDump = format::test::DumpBytes(format::test::DistinctRecords());

// A dump start without a whole block is a loaded file with no entries; only a file without a
// dump start keeps the previous file loaded.
TEST(Listing, TellsNoDumpFromAnEmptyListing) {
    TempFolder folder;
    const std::pair<format::Bytes, DumpOutcome> cases[] = {
        {format::test::Head(kDump, 797), DumpOutcome::Listed},
        {{}, DumpOutcome::NoDump},
    };
    for (const auto& [bytes, outcome] : cases) {
        const PatchListing listing = ListPatches(folder.Write("f.syx", bytes));
        EXPECT_EQ(listing.outcome, outcome) << bytes.size();
        EXPECT_TRUE(listing.entries.isEmpty()) << bytes.size();
    }
}

// Paths past the classic 260-character limit, and names that are no valid text, are listed
// and read as any other.
TEST(Listing, AnyListedNameOpens) {
    TempFolder folder;
    const std::string sub(120, 's');
    std::filesystem::create_directory(folder.Path() / sub);
    const QString longFolder = QString::fromStdString((folder.Path() / sub).string());
    for (const std::string& name : {std::string(200, 'n') + ".syx", std::string("caf\xE9.syx")}) {
        std::filesystem::remove_all(folder.Path() / sub);
        std::filesystem::create_directory(folder.Path() / sub);
        const std::filesystem::path file = folder.Write(sub + "/" + name, kDump);
        EXPECT_EQ(ListLibraryFiles(longFolder), std::vector<std::string>{name});
        EXPECT_EQ(ListPatches(ToFileSystemPath(longFolder) / name).entries.size(), 64);
    }
}

}  // namespace
}  // namespace tessel::library
