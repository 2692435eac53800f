// Reading the library folder as the lists need it; the window tests cover the rest through
// the controls.
#include <gtest/gtest.h>

#include "library/lists/LibraryLists.h"
#include "library/lists/LibraryText.h"
#include "tests/format/DumpFixtures.h"
#include "tests/library/QStringPrinter.h"

namespace tessel::library {
namespace {

using format::test::TempFolder;

const format::Bytes kDump = format::test::DumpBytes(format::test::DistinctRecords());

QString Folder(const TempFolder& folder) {
    return QString::fromStdString(folder.Path().string());
}

struct ListingCase {
    const char* what;
    format::Bytes bytes;
    DumpOutcome outcome;
    qsizetype entries;
};

class Listing : public testing::TestWithParam<ListingCase> {};

// Only a file without a dump start keeps the previous file loaded; a dump start without a
// whole block is a loaded file with no entries.
TEST_P(Listing, TellsNoDumpFromListed) {
    TempFolder folder;
    folder.Write("f.syx", GetParam().bytes);
    const PatchListing listing = ListPatches(LibraryFilePath(Folder(folder), "f.syx"));
    EXPECT_EQ(listing.outcome, GetParam().outcome) << GetParam().what;
    EXPECT_EQ(listing.entries.size(), GetParam().entries) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Files, Listing,
                         testing::Values(ListingCase{"whole dump", kDump, DumpOutcome::Listed, 64},
                                         ListingCase{"dump start, no whole block",
                                                     format::test::Head(kDump, 797),
                                                     DumpOutcome::Listed, 0},
                                         ListingCase{"other messages only",
                                                     {0xF0, 0x41, 0x10, 0x3D, 0x12, 0x00, 0xF7},
                                                     DumpOutcome::NoDump,
                                                     0},
                                         ListingCase{"empty file", {}, DumpOutcome::NoDump, 0}));

// Paths past the classic 260-character limit are listed and read as any other.
TEST(Listing, LongPathsAreReadLikeAnyOther) {
    TempFolder folder;
    const std::string sub(120, 's');
    const QString name = QString(200, u'n') + ".syx";
    std::filesystem::create_directory(folder.Path() / sub);
    folder.Write(sub + "/" + name.toStdString(), kDump);
    const QString longFolder = Folder(folder) + "/" + QString::fromStdString(sub);
    ASSERT_GT(LibraryFilePath(longFolder, name).size(), 320);
    EXPECT_EQ(ListLibraryFiles(longFolder), QStringList({name}));
    EXPECT_EQ(ListPatches(LibraryFilePath(longFolder, name)).entries.size(), 64);
}

}  // namespace
}  // namespace tessel::library
