#include <gtest/gtest.h>

#include "library/lists/LibraryText.h"
#include "tests/library/QStringPrinter.h"

namespace tessel::library {
namespace {

struct SeparatorCase {
    QString path;
    std::optional<QString> fileName;
};

class LastSeparator : public testing::TestWithParam<SeparatorCase> {};

TEST_P(LastSeparator, SplitsOnEitherPlatformsSeparator) {
    EXPECT_EQ(TextAfterLastSeparator(GetParam().path), GetParam().fileName);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, LastSeparator,
    testing::Values(SeparatorCase{"C:\\Music\\JD800\\bank 7.syx", "bank 7.syx"},
                    SeparatorCase{"/home/me/jd800/bank.syx", "bank.syx"},
                    SeparatorCase{"D:/mixed\\sub/x.syx", "x.syx"},
                    SeparatorCase{"/music/a\\b.syx", "b.syx"}, SeparatorCase{"/trailing/", ""},
                    SeparatorCase{"bank.syx", std::nullopt}, SeparatorCase{"", std::nullopt}));

struct EntryCase {
    const char* what;
    QStringList entries;
    QString name;
    int row;
};

class FileEntry : public testing::TestWithParam<EntryCase> {};

TEST_P(FileEntry, IsFoundByNameOrPrefix) {
    EXPECT_EQ(FindFileEntry(GetParam().entries, GetParam().name), GetParam().row)
        << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, FileEntry,
    testing::Values(EntryCase{"case ignored, first of two sharing the prefix",
                              {"a.syx", "Bank.syx", "bank.syx.old.syx"},
                              "BANK.SYX",
                              1},
                    EntryCase{"an exact spelling wins over an earlier case-only match",
                              {"Bank.syx", "bank.syx"},
                              "bank.syx",
                              1},
                    EntryCase{"prefix of a longer name", {"a.syx", "warm pads.syx"}, "warm", 1},
                    EntryCase{"empty name takes the first entry", {"a.syx", "b.syx"}, "", 0},
                    EntryCase{"no entry begins with it", {"a.syx", "b.syx"}, "c.syx", -1},
                    EntryCase{"longer than every entry", {"a.syx"}, "a.syx.syx", -1},
                    EntryCase{"empty list", {}, "a.syx", -1}));

struct ResultCase {
    QString entry;
    std::optional<QString> fileName;
    std::optional<int> index;
};

class FindResult : public testing::TestWithParam<ResultCase> {};

TEST_P(FindResult, GivesFileNameAndPatchIndex) {
    EXPECT_EQ(ResultFileName(GetParam().entry), GetParam().fileName);
    EXPECT_EQ(ResultPatchIndex(GetParam().entry), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(Entries, FindResult,
                         testing::Values(ResultCase{"bank.syx\t35- WARM PAD        ", "bank.syx",
                                                    20},
                                         ResultCase{"my-bank.syx\t11- A-B", "my-bank.syx", 0},
                                         ResultCase{"b.syx\t88- NAME\tWITH TAB", "b.syx", 63},
                                         ResultCase{"long.syx\t111- X", "long.syx", 80},
                                         ResultCase{"no tab 35- X", std::nullopt, std::nullopt},
                                         ResultCase{"b.syx\t35 no dash", "b.syx", std::nullopt},
                                         ResultCase{"\t12-", "", 1}));

// Every entry Find writes is read back as the file and patch it came from.
TEST(FindResult, EveryWrittenEntryReadsBack) {
    for (int index = 0; index < 80; ++index) {
        const QString entry = FindResultEntry("Bank 3.syx", {index, "A-1\tB  "});
        EXPECT_EQ(ResultFileName(entry), "Bank 3.syx");
        EXPECT_EQ(ResultPatchIndex(entry), index) << entry.toStdString();
    }
}

TEST(PatchListEntry, ShowsEveryNameByteAsOneCharacter) {
    EXPECT_EQ(PatchListEntry({20, "WARM PAD        "}), "35- WARM PAD        ");
    EXPECT_EQ(PatchListEntry({0, "\xE9t\xE9"}), QString::fromUtf8("11- \u00E9t\u00E9"));
}

TEST(SearchText, KeepsNineteenSingleByteCharacters) {
    EXPECT_EQ(SearchTextBytes("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(SearchTextBytes(QString::fromUtf8("\u00E9T\u00E9")), "\xE9T\xE9");
    EXPECT_EQ(SearchTextBytes(""), "");
    EXPECT_EQ(SearchTextBytes(QString::fromUtf8("PAD \u20AC")), std::nullopt);
    EXPECT_EQ(SearchTextBytes(QString(19, u'A') + QString::fromUtf8("\u20AC")),
              QString(19, u'A').toStdString());
}

}  // namespace
}  // namespace tessel::library
