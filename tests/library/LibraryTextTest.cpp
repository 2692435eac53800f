#include <gtest/gtest.h>

#include "library/lists/LibraryText.h"
#include "tests/format/DumpFixtures.h"
#include "tests/library/QStringPrinter.h"

namespace tessel::library {
namespace {

// The window's start-up tests cover the common stored paths; these are the separator orders
// they do not reach.
TEST(NameAfterLastSeparator, EitherPlatformsSeparatorCounts) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"D:/mixed\\sub/x.syx", "x.syx"},
        {"/music/a\\caf\xE9.syx", "caf\xE9.syx"},
        {"/trailing/", ""},
        {"bank.syx", std::nullopt},
    };
    for (const auto& [path, fileName] : cases) {
        EXPECT_EQ(NameAfterLastSeparator(path), fileName) << path;
    }
}

TEST(FindFileEntry, ExactSpellingFirstThenTheFirstPrefixIgnoringCase) {
    const struct {
        QStringList entries;
        QString name;
        int row;
    } cases[] = {
        {{"a.syx", "Bank.syx", "bank.syx.old.syx"}, "BANK.SYX", 1},
        {{"Bank.syx", "bank.syx"}, "bank.syx", 1},
        {{"a.syx"}, "a.syx.syx", -1},
        {{}, "a.syx", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindFileEntry(c.entries, c.name), c.row) << c.name.toStdString();
    }
}

// UTF-8 is shown as text; every other byte, and control characters, as \xHH.
TEST(DisplayName, ShowsBytesThatAreNoTextReadably) {
    const std::pair<std::string, QString> cases[] = {
        {"caf\xE9.syx", "caf\\xE9.syx"},
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
    format::test::TempFolder folder;
    const std::filesystem::path a = folder.Write("a.syx", {1});
    const std::filesystem::path upperA = folder.Write("A.syx", {2});
    const std::filesystem::path gone = folder.Path() / "gone.syx";
    std::filesystem::create_symlink(a, folder.Path() / "link.syx");
    const std::tuple<std::filesystem::path, std::filesystem::path, bool> cases[] = {
        {a, a, true},
        {a, upperA, false},
        {folder.Path() / "link.syx", a, true},
        {gone, gone, true},
        {gone, folder.Path() / "GONE.syx", false},
        {a, "", false},
    };
    for (const auto& [first, second, same] : cases) {
        EXPECT_EQ(IsSamePath(first, second), same) << first << " " << second;
    }
}

TEST(PatchListEntry, ShowsEveryNameByteAsOneCharacter) {
    EXPECT_EQ(PatchListEntry({0, "\xE9t\xE9"}), QString::fromUtf8("11- \u00E9t\u00E9"));
}

TEST(SearchText, KeepsNineteenSingleByteCharacters) {
    EXPECT_EQ(SearchTextBytes("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(SearchTextBytes(QString::fromUtf8("\u00E9T\u00E9")), "\xE9T\xE9");
    EXPECT_EQ(SearchTextBytes(QString::fromUtf8("PAD \u20AC")), std::nullopt);
    EXPECT_EQ(SearchTextBytes(QString(19, u'A') + QString::fromUtf8("\u20AC")),
              std::string(19, 'A'));
}

}  // namespace
}  // namespace tessel::library
