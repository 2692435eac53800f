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

// A file name as the file system holds it is found by its bytes first, so a name that is no
// valid text, or that differs from another only in case, finds its own entry.
TEST(FindFileEntry, ANameAsStoredFindsItsOwnBytesFirst) {
    const std::vector<std::string> names = {"Bank.syx", "bank.syx", "caf\xE9.syx", "d.syx.syx"};
    QStringList shown;
    for (const std::string& name : names) {
        shown << DisplayName(name);
    }
    const std::pair<std::string, int> cases[] = {
        {"bank.syx", 1}, {"BANK.SYX", 0}, {"caf\xE9.syx", 2}, {"CAF\xE9", 2},
        {"d.syx", 3},    {"caf", 2},      {"e.syx", -1},
    };
    for (const auto& [name, row] : cases) {
        EXPECT_EQ(FindFileEntry(names, shown, name), row) << name;
    }
}

// UTF-8 is shown as text; every other byte, and control characters, as \xHH.
TEST(DisplayName, ShowsBytesThatAreNoTextReadably) {
    const std::pair<std::string, QString> cases[] = {
        {"caf\xE9.syx", "caf\\xE9.syx"},
        {"caf\xC3\xA9.syx", QString::fromUtf8("caf\u00E9.syx")},
        {"\xC3", "\\xC3"},
        {"\xE2\x82", "\\xE2\\x82"},
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
    const auto& dir = folder.Path();
    folder.Write("a.syx", {1});
    folder.Write("A.syx", {2});
    std::filesystem::create_symlink(dir / "a.syx", dir / "link.syx");
    const std::tuple<std::filesystem::path, std::filesystem::path, bool> cases[] = {
        {dir / "a.syx", dir / "a.syx", true},
        {dir / "a.syx", dir / "A.syx", false},
        {dir / "link.syx", dir / "a.syx", true},
        {dir / "." / "a.syx", dir / "a.syx", true},
        {dir / "gone.syx", dir / "gone.syx", true},
        {dir / "gone.syx", dir / "GONE.syx", false},
        {dir / "a.syx", "", false},
    };
    for (const auto& [a, b, same] : cases) {
        EXPECT_EQ(IsSamePath(a, b), same) << a << " " << b;
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
