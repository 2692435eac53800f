// The library lists' file reading and text rules, without the window: the cases the window
// tests do not reach.
#include <gtest/gtest.h>

#include "library/lists/LibraryLists.h"
#include "library/lists/LibraryText.h"
#include "tests/format/DumpFixtures.h"
#include "tests/library/QStringPrinter.h"

namespace tessel::library {
namespace {

using format::test::TempFolder;

// A dump start without a whole block is a loaded file with no entries; only a file without a
// dump start keeps the previous file loaded. Paths past the classic 260-character limit are
// listed and read as any other.
TEST(Listing, TellsNoDumpFromAnEmptyListingAndReadsLongPaths) {
    TempFolder folder;
    const format::Bytes dump = format::test::DumpBytes(format::test::DistinctRecords());
    const std::string sub(120, 's'), name = std::string(200, 'n') + ".syx";
    std::filesystem::create_directory(folder.Path() / sub);
    const auto file = folder.Write(sub + "/" + name, dump);
    ASSERT_GT(file.string().size(), 320u);
    EXPECT_EQ(ListLibraryFiles(QString::fromStdString(file.parent_path().string())),
              std::vector<std::string>{name});
    const std::tuple<format::Bytes, DumpOutcome, int> cases[] = {
        {dump, DumpOutcome::Listed, 64},
        {format::test::Head(dump, 797), DumpOutcome::Listed, 0},
        {{}, DumpOutcome::NoDump, 0},
    };
    for (const auto& [bytes, outcome, entries] : cases) {
        folder.Write(sub + "/" + name, bytes);
        const PatchListing listing = ListPatches(file);
        EXPECT_EQ(listing.outcome, outcome) << bytes.size();
        EXPECT_EQ(listing.entries.size(), entries) << bytes.size();
    }
}

// UTF-8 is shown as text; every other byte, and control characters, as \xHH.
TEST(DisplayName, ShowsBytesThatAreNoTextReadably) {
    const std::pair<std::string, QString> cases[] = {
        {"caf\xC3\xA9.syx", QString::fromUtf8("caf\u00E9.syx")},
        {"\xC3", "\\xC3"},
        {"\xC0\xAF\xED\xA0\x80", "\\xC0\\xAF\\xED\\xA0\\x80"},  // overlong, surrogate
        {"\xF0\x9F\x8E\xB9 a\tb\n", QString::fromUtf8("\U0001F3B9 a\\x09b\\x0A")},
    };
    for (const auto& [bytes, shown] : cases) {
        EXPECT_EQ(DisplayName(bytes), shown) << bytes;
    }
}

// The same file is the file system's answer: case counts on Linux, links lead to their file.
TEST(IsSamePath, AskTheFileSystemWhereBothExist) {
    TempFolder folder;
    const std::filesystem::path a = folder.Write("a.syx", {1});
    const std::filesystem::path gone = folder.Path() / "gone.syx";
    std::filesystem::create_symlink(a, folder.Path() / "link.syx");
    const std::tuple<std::filesystem::path, std::filesystem::path, bool> cases[] = {
        {a, folder.Write("A.syx", {2}), false},
        {folder.Path() / "link.syx", a, true},
        {gone, gone, true},
        {gone, folder.Path() / "GONE.syx", false},
    };
    for (const auto& [first, second, same] : cases) {
        EXPECT_EQ(IsSamePath(first, second), same) << first << " " << second;
    }
}

// A stored path's file name follows either platform's last separator; a file entry is found by
// its exact spelling first, then by the first entry it begins, ignoring case.
TEST(LibraryText, StoredPathsFindTheirFileEntry) {
    EXPECT_EQ(NameAfterLastSeparator("D:/mixed\\sub/x.syx"), "x.syx");
    EXPECT_EQ(NameAfterLastSeparator("/music/a\\caf\xE9.syx"), "caf\xE9.syx");
    EXPECT_EQ(NameAfterLastSeparator("bank.syx"), std::nullopt);
    const std::tuple<QStringList, QString, int> cases[] = {
        {{"a.syx", "Bank.syx", "bank.syx.old.syx"}, "BANK.SYX", 1},
        {{"Bank.syx", "bank.syx"}, "bank.syx", 1},
        {{"a.syx"}, "a.syx.syx", -1},
    };
    for (const auto& [entries, name, row] : cases) {
        EXPECT_EQ(FindFileEntry(entries, name), row) << name.toStdString();
    }
}

// Name bytes show one character each; a search keeps 19 single-byte characters.
TEST(LibraryText, PatchEntriesAndSearchTexts) {
    EXPECT_EQ(PatchListEntry({0, "\xE9t\xE9"}), QString::fromUtf8("11- \u00E9t\u00E9"));
    EXPECT_EQ(SearchTextBytes("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(SearchTextBytes(QString::fromUtf8("\u00E9T\u00E9")), "\xE9T\xE9");
    EXPECT_EQ(SearchTextBytes(QString::fromUtf8("PAD \u20AC")), std::nullopt);
    EXPECT_EQ(SearchTextBytes(QString(19, u'A') + QString::fromUtf8("\u20AC")),
              std::string(19, 'A'));
}

}  // namespace
}  // namespace tessel::library
