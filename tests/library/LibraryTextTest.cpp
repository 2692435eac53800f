#include <gtest/gtest.h>

#include "library/lists/LibraryText.h"
#include "tests/library/QStringPrinter.h"

namespace tessel::library {
namespace {

// The window's start-up tests cover the common stored paths; these are the separator orders
// they do not reach.
TEST(TextAfterLastSeparator, EitherPlatformsSeparatorCounts) {
    const std::pair<QString, std::optional<QString>> cases[] = {
        {"D:/mixed\\sub/x.syx", "x.syx"},
        {"/music/a\\b.syx", "b.syx"},
        {"/trailing/", ""},
        {"bank.syx", std::nullopt},
    };
    for (const auto& [path, fileName] : cases) {
        EXPECT_EQ(TextAfterLastSeparator(path), fileName) << path.toStdString();
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

// Every entry Find writes reads back as the file and patch it came from, whatever '-' and tab
// the names hold.
TEST(FindResult, EveryWrittenEntryReadsBack) {
    for (int index = 0; index <= 80; ++index) {
        const QString entry = FindResultEntry("my-bank 3.syx", {index, "A-1\tB  "});
        EXPECT_EQ(ResultFileName(entry), "my-bank 3.syx");
        EXPECT_EQ(ResultPatchIndex(entry), index) << entry.toStdString();
    }
    EXPECT_EQ(ResultFileName(u"no tab 35- X"), std::nullopt);
    EXPECT_EQ(ResultPatchIndex(u"no tab 35- X"), std::nullopt);
    EXPECT_EQ(ResultPatchIndex(u"b.syx\t35 no dash"), std::nullopt);
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
