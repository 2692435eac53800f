#include <map>

#include <gtest/gtest.h>

#include "library/lists/LibraryLists.h"
#include "library/lists/LibraryText.h"
#include "tests/format/DumpFixtures.h"
#include "tests/library/QStringPrinter.h"

namespace tessel::library {
namespace {

using format::test::DumpBytes;
using format::test::Records;
using format::test::SetName;
using format::test::TempFolder;

// Patch i of file `tag` is named "<tag> <i>", blank-filled, except where `names` says.
format::Bytes Dump(const std::string& tag, const std::map<int, std::string>& names = {}) {
    Records records{};
    for (int i = 0; i < int(records.size()); ++i) {
        const auto named = names.find(i);
        SetName(records[i], named != names.end() ? named->second : tag + " " + std::to_string(i));
    }
    return DumpBytes(records);
}

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

TEST_P(Listing, TellsUnreadableFromNoDumpFromListed) {
    TempFolder folder;
    folder.Write("f.syx", GetParam().bytes);
    const PatchListing listing = ListPatches(LibraryFilePath(Folder(folder), "f.syx"));
    EXPECT_EQ(listing.outcome, GetParam().outcome) << GetParam().what;
    EXPECT_EQ(listing.entries.size(), GetParam().entries) << GetParam().what;
}

const format::Bytes kDump = Dump("P");

INSTANTIATE_TEST_SUITE_P(Files, Listing,
                         testing::Values(ListingCase{"whole dump", kDump, DumpOutcome::Listed, 64},
                                         ListingCase{"dump start, no whole block",
                                                     format::test::Head(kDump, 797),
                                                     DumpOutcome::Listed, 0},
                                         ListingCase{"other bytes only",
                                                     {0xF0, 0x41, 0x10, 0x3D, 0x12, 0x00, 0xF7},
                                                     DumpOutcome::NoDump,
                                                     0},
                                         ListingCase{"empty file", {}, DumpOutcome::NoDump, 0}));

TEST(Listing, MissingFileAndFolderAreUnreadable) {
    TempFolder folder;
    std::filesystem::create_directory(folder.Path() / "dir.syx");
    EXPECT_EQ(ListPatches(LibraryFilePath(Folder(folder), "gone.syx")).outcome,
              DumpOutcome::Unreadable);
    EXPECT_EQ(ListPatches(LibraryFilePath(Folder(folder), "dir.syx")).outcome,
              DumpOutcome::Unreadable);
}

TEST(Listing, EntriesKeepTrailingBlanksAndStopAtZero) {
    TempFolder folder;
    folder.Write("f.syx", Dump("P", {{0, "WARM"}, {1, std::string("AB\0CD", 5)}}));
    const QStringList entries = ListPatches(LibraryFilePath(Folder(folder), "f.syx")).entries;
    ASSERT_EQ(entries.size(), 64);
    EXPECT_EQ(entries[0], "11- WARM            ");
    EXPECT_EQ(entries[1], "12- AB");
    EXPECT_EQ(entries[63], "88- P 63            ");
}

// Paths past the classic 260-character limit are listed and read as any other.
TEST(Listing, LongPathsAreReadLikeAnyOther) {
    TempFolder folder;
    const std::string sub(120, 's');
    const std::string name = std::string(200, 'n') + ".syx";
    std::filesystem::create_directory(folder.Path() / sub);
    folder.Write(sub + "/" + name, Dump("L"));
    const QString longFolder = Folder(folder) + "/" + QString::fromStdString(sub);
    ASSERT_GT(LibraryFilePath(longFolder, QString::fromStdString(name)).size(), 320);
    EXPECT_EQ(ListLibraryFiles(longFolder), QStringList({QString::fromStdString(name)}));
    EXPECT_EQ(ListPatches(LibraryFilePath(longFolder, QString::fromStdString(name))).entries.size(),
              64);
}

// A file that cannot be read no longer ends the search: the files after it are searched.
TEST(FindInLibrary, SkipsUnreadableFilesAndGoesOn) {
    TempFolder folder;
    folder.Write("a.syx", Dump("A", {{3, "Warm Pad"}}));
    std::filesystem::create_symlink(folder.Path() / "nowhere", folder.Path() / "b.syx");
    folder.Write("c.syx", Dump("C", {{20, "WARM BELL"}, {63, "lukewarm"}}));
    const FindOutcome found = FindInLibrary(Folder(folder), {"a.syx", "b.syx", "c.syx"}, "WARM");
    EXPECT_EQ(found.results,
              QStringList({"a.syx\t14- Warm Pad        ", "c.syx\t35- WARM BELL       ",
                           "c.syx\t88- lukewarm        "}));
    EXPECT_EQ(found.skipped, QStringList({"b.syx"}));
}

TEST(FindInLibrary, TextNoNameCanHoldFindsNothing) {
    TempFolder folder;
    folder.Write("a.syx", Dump("A"));
    EXPECT_TRUE(FindInLibrary(Folder(folder), {"a.syx"}, "A 1\u20AC").results.isEmpty());
    EXPECT_EQ(FindInLibrary(Folder(folder), {"a.syx"}, "").results.size(), 64);
}

}  // namespace
}  // namespace tessel::library
