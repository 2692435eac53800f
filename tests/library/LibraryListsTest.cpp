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

// Paths past the classic 260-character limit are listed and read as any other.
TEST(Listing, LongPathsAreReadLikeAnyOther) {
    TempFolder folder;
    const std::string sub(120, 's');
    const std::string name = std::string(200, 'n') + ".syx";
    std::filesystem::create_directory(folder.Path() / sub);
    const std::filesystem::path file = folder.Write(sub + "/" + name, kDump);
    ASSERT_GT(file.string().size(), 320u);
    EXPECT_EQ(ListLibraryFiles(QString::fromStdString(file.parent_path().string())),
              std::vector<std::string>{name});
    EXPECT_EQ(ListPatches(file).entries.size(), 64);
}

}  // namespace
}  // namespace tessel::library
