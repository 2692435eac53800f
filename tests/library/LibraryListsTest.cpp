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
    const QString folderPath = QString::fromStdString(folder.Path().string());
    const std::pair<format::Bytes, DumpOutcome> cases[] = {
        {format::test::Head(kDump, 797), DumpOutcome::Listed},
        {{}, DumpOutcome::NoDump},
    };
    for (const auto& [bytes, outcome] : cases) {
        folder.Write("f.syx", bytes);
        const PatchListing listing = ListPatches(LibraryFilePath(folderPath, "f.syx"));
        EXPECT_EQ(listing.outcome, outcome) << bytes.size();
        EXPECT_TRUE(listing.entries.isEmpty()) << bytes.size();
    }
}

// Paths past the classic 260-character limit are listed and read as any other.
TEST(Listing, LongPathsAreReadLikeAnyOther) {
    TempFolder folder;
    const std::string sub(120, 's');
    const QString name = QString(200, u'n') + ".syx";
    std::filesystem::create_directory(folder.Path() / sub);
    folder.Write(sub + "/" + name.toStdString(), kDump);
    const QString longFolder = QString::fromStdString((folder.Path() / sub).string());
    ASSERT_GT(LibraryFilePath(longFolder, name).size(), 320);
    EXPECT_EQ(ListLibraryFiles(longFolder), QStringList({name}));
    EXPECT_EQ(ListPatches(LibraryFilePath(longFolder, name)).entries.size(), 64);
}

}  // namespace
}  // namespace tessel::library
