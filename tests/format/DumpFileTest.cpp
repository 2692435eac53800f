#include "library/format/DumpFile.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <climits>

#include "library/format/DumpReaders.h"
#include "library/format/FileWindow.h"
#include "tests/format/DumpFixtures.h"

namespace tessel::format {
namespace {

using test::Concat;
using test::DumpBytes;
using test::Head;
using test::TempFolder;

const Bytes kOtherModel{0xF0, 0x41, 0x10, 0x3E, 0x12, 0x05, 0x00, 0x00, 0x01, 0x7A, 0xF7};
const Bytes kOtherAddress{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x06, 0x00, 0x00, 0x01, 0x79, 0xF7};
const Bytes kRequest{0xF0, 0x41, 0x10, 0x3D, 0x11, 0x05, 0x00, 0x00, 0x00, 0x02, 0x00, 0x79, 0xF7};
const Bytes kJunk{0x00, 0x7F, 0xF7, 0x41, 0x3D, 0x12, 0x05, 0x90, 0x3C, 0x40};

struct DumpCase {
    const char* what;
    Bytes bytes;
    std::optional<std::uint64_t> start;
    std::size_t names;
};

std::vector<DumpCase> DumpCases() {
    const Bytes dump = DumpBytes(test::DistinctRecords());
    const Bytes block = Head(dump, kPairBlockSize);
    const Bytes brokenMark{0xF0, 0x41, 0x10, 0x3D, 0x12};
    return {
        {"one standard dump", dump, 0, 64},
        {"after other messages and junk", Concat({kRequest, kJunk, kOtherModel, dump}), 34, 64},
        {"device byte 00", DumpBytes(test::DistinctRecords(), 0x00), 0, 64},
        {"device byte 7F", DumpBytes(test::DistinctRecords(), 0x7F), 0, 64},
        {"other model and address first", Concat({kOtherModel, kOtherAddress, dump}), 22, 64},
        {"F0 F0 before it", Concat({{0xF0}, dump}), 1, 64},
        {"broken mark ending in F0", Concat({brokenMark, dump}), 5, 64},
        {"cut inside the last pair block", Head(dump, dump.size() - 100), 0, 62},
        {"33 whole blocks", Concat({dump, block}), 0, 66},
        {"33 blocks and a part", Concat({dump, block, Head(block, 797)}), 0, 66},
        {"less than one block", Head(dump, kPairBlockSize - 1), 0, 0},
        {"mark cut by the end", brokenMark, std::nullopt, 0},
        {"no dump", Concat({kOtherModel, kJunk, kRequest}), std::nullopt, 0},
        {"empty", {}, std::nullopt, 0},
    };
}

TEST(DumpReading, StartAndNameCountFromFileAndMemory) {
    TempFolder folder;
    for (const auto& c : DumpCases()) {
        const auto file = folder.Write("case.syx", c.bytes);
        EXPECT_EQ(FindDumpStart(file), c.start) << c.what;
        EXPECT_EQ(FindDumpStartInBytes(c.bytes), c.start) << c.what;
        const auto names = ReadPatchNames(file);
        EXPECT_EQ(names.size(), c.names) << c.what;
        EXPECT_EQ(ReadPatchNamesFromBytes(c.bytes), names) << c.what;
    }
}

// Small chunks put marks, blocks and records across the refills of the file buffer.
TEST(DumpReading, ChunkSizeNeverChangesTheAnswer) {
    TempFolder folder;
    for (const auto& c : DumpCases()) {
        const auto file = folder.Write("case.syx", c.bytes);
        const auto names = ReadPatchNamesFromBytes(c.bytes);
        const auto record = ReadPatchRecordFromBytes(c.bytes, 31);
        for (std::size_t chunk : {1u, 5u, 6u, 7u, 797u, 799u, 4096u}) {
            FileWindow forNames(file, chunk);
            EXPECT_EQ(detail::ReadPatchNamesIn(forNames), names) << c.what << " chunk " << chunk;
            FileWindow forRecord(file, chunk);
            EXPECT_EQ(detail::ReadPatchRecordIn(forRecord, 31), record)
                << c.what << " chunk " << chunk;
        }
    }
}

TEST(DumpReading, NamesAndLabelsInFileOrder) {
    const Bytes dump = DumpBytes(test::DistinctRecords());
    const auto names = ReadPatchNamesFromBytes(Concat({dump, Head(dump, kPairBlockSize)}));
    ASSERT_EQ(names.size(), 66u);
    struct Case {
        std::size_t index;
        std::string label, name;
    };
    const Case cases[] = {
        {0, "11", "PATCH 0"},   {7, "18", "PATCH 7"},  {8, "21", "PATCH 8"},
        {63, "88", "PATCH 63"}, {64, "91", "PATCH 0"}, {65, "92", "PATCH 1"},
    };
    for (const auto& c : cases) {
        const std::string padded = c.name + std::string(16 - c.name.size(), ' ');
        EXPECT_EQ(names[c.index].index, static_cast<int>(c.index));
        EXPECT_EQ(PatchEntryText(names[c.index]), c.label + "- " + padded);
    }
}

TEST(DumpReading, NameBytesAsStored) {
    const std::pair<std::string_view, std::string> cases[] = {
        {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
        {std::string_view("PIANO\0XXXXXXXXXX", 16), "PIANO"},
        {"BRASS           ", "BRASS           "},
        {std::string_view("\0ABCDEFGHIJKLMNO", 16), ""},
        {"  lower + 1/2 ~ ", "  lower + 1/2 ~ "},
    };
    for (const auto& [stored, shown] : cases) {
        auto records = test::DistinctRecords();
        test::SetName(records[1], stored);
        const auto names = ReadPatchNamesFromBytes(DumpBytes(records));
        ASSERT_EQ(names.size(), 64u);
        EXPECT_EQ(names[1].name, shown);
    }
}

TEST(ReadPatchRecord, RecordsZeroAndOneFollowTheBlockLayout) {
    const Bytes dump = DumpBytes(test::DistinctRecords());
    auto layout = [&](std::initializer_list<std::pair<int, int>> ranges) {
        Bytes bytes;
        for (const auto& [first, last] : ranges) {
            bytes.insert(bytes.end(), dump.begin() + first, dump.begin() + last + 1);
        }
        return bytes;
    };
    const Bytes record0 = layout({{8, 263}, {274, 401}});
    const Bytes record1 = layout({{402, 529}, {540, 795}});
    const auto read0 = ReadPatchRecordFromBytes(dump, 0);
    const auto read1 = ReadPatchRecordFromBytes(dump, 1);
    ASSERT_TRUE(read0 && read1);
    EXPECT_EQ(Bytes(read0->begin(), read0->end()), record0);
    EXPECT_EQ(Bytes(read1->begin(), read1->end()), record1);
}

TEST(ReadPatchRecord, EveryRecordComesBackWholeAfterAPrefix) {
    const auto records = test::DistinctRecords();
    TempFolder folder;
    const auto file =
        folder.Write("prefixed.syx", Concat({kJunk, kOtherModel, DumpBytes(records)}));
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(ReadPatchRecord(file, i), records[i]) << "record " << i;
    }
}

struct RecordCase {
    const char* what;
    Bytes bytes;
    int index;
    std::optional<Bytes> expected;  // the 384 bytes, none for a failure
};

std::vector<RecordCase> OddRecordCases() {
    const Bytes dump = DumpBytes(test::DistinctRecords());
    const Bytes mark{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x05, 0x00, 0x00};
    const Bytes plain(400, 0x11);
    Bytes afterHeader = Concat({mark, Bytes(10, 0x22), {0xF0}, Bytes(7, 0x7F), {0xF0}, plain});
    Bytes expectedAfterHeader = Concat({Bytes(10, 0x22), {0xF0}, Bytes(373, 0x11)});
    return {
        {"negative index", dump, -1, std::nullopt},
        {"smallest int", dump, INT_MIN, std::nullopt},
        {"index past the dump", dump, 64, std::nullopt},
        {"largest int", dump, INT_MAX, std::nullopt},
        {"end inside the data", Head(dump, 400), 0, std::nullopt},
        {"end inside a skipped header", Head(dump, 270), 0, std::nullopt},
        {"end right after an F0", Head(dump, 267), 0, std::nullopt},
        {"F7 before any byte", Concat({mark, {0xF7}, plain}), 0, Bytes(384, 0x11)},
        {"F7s before any byte", Concat({mark, {0xF7, 0xF7, 0xF7}, plain}), 0, Bytes(384, 0x11)},
        {"no message ends: 384 bytes only", Concat({mark, Bytes(1000, 0x33)}), 0, Bytes(384, 0x33)},
        {"byte after a header is data", afterHeader, 0, expectedAfterHeader},
    };
}

TEST(ReadPatchRecord, OddFilesFailOrStayWithin384Bytes) {
    TempFolder folder;
    for (const auto& c : OddRecordCases()) {
        const auto file = folder.Write("odd.syx", c.bytes);
        const auto fromFile = ReadPatchRecord(file, c.index);
        EXPECT_EQ(ReadPatchRecordFromBytes(c.bytes, c.index), fromFile) << c.what;
        ASSERT_EQ(fromFile.has_value(), c.expected.has_value()) << c.what;
        if (fromFile) {
            EXPECT_EQ(Bytes(fromFile->begin(), fromFile->end()), *c.expected) << c.what;
        }
    }
}

TEST(DumpReading, UnreadableIsToldApartFromNoDump) {
    TempFolder folder;
    const auto noDump = folder.Write("junk.syx", kJunk);
    std::filesystem::create_directory(folder.Path() / "folder.syx");
    // Neither a pipe without a writer nor an endless device may hold the reader up.
    ASSERT_EQ(mkfifo((folder.Path() / "pipe.syx").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder.Path() / "zero.syx");
    const std::pair<std::filesystem::path, bool> cases[] = {
        {folder.Path() / "missing.syx", true},
        {folder.Path() / "folder.syx", true},
        {folder.Path() / "pipe.syx", true},
        {folder.Path() / "zero.syx", true},
        {noDump, false},
    };
    for (const auto& [file, unreadable] : cases) {
        std::error_code error;
        EXPECT_TRUE(ReadPatchNames(file, error).empty());
        EXPECT_EQ(static_cast<bool>(error), unreadable) << file;
        EXPECT_FALSE(FindDumpStart(file, error));
        EXPECT_EQ(static_cast<bool>(error), unreadable) << file;
        EXPECT_FALSE(ReadPatchRecord(file, 0, error));
        EXPECT_EQ(static_cast<bool>(error), unreadable) << file;
    }
}

TEST(DumpReading, PathsLongerThan260Characters) {
    TempFolder folder;
    auto deep = folder.Path();
    for (int i = 0; i < 6; ++i) {
        deep /= std::string(60, static_cast<char>('a' + i));
    }
    std::filesystem::create_directories(deep);
    const auto file = deep / "Long way down.syx";
    {
        std::ofstream out(file, std::ios::binary);
        const Bytes dump = DumpBytes(test::DistinctRecords());
        out.write(reinterpret_cast<const char*>(dump.data()), static_cast<long>(dump.size()));
    }
    ASSERT_GT(file.string().size(), 360u);
    EXPECT_EQ(ReadPatchNames(file).size(), 64u);
    EXPECT_EQ(ListDumpFiles(deep), std::vector<std::string>{"Long way down.syx"});
}

TEST(PatchLabel, RoundTripsWithLabelToIndex) {
    const std::pair<int, const char*> cases[] = {
        {0, "11"},  {7, "18"},  {8, "21"},  {20, "35"},
        {63, "88"}, {64, "91"}, {65, "92"}, {80, "111"},
    };
    for (const auto& [index, label] : cases) {
        EXPECT_EQ(PatchLabel(index), label);
        EXPECT_EQ(LabelToIndex(std::stoi(label)), index) << label;
    }
}

TEST(EntryTexts, PatchListAndFindResult) {
    const PatchEntry entry{20, "WARM PAD   "};
    EXPECT_EQ(PatchEntryText(entry), "35- WARM PAD   ");
    EXPECT_EQ(FindResultText("Bank A.syx", entry), "Bank A.syx\t35- WARM PAD   ");
}

TEST(NameContains, CaseEndsAndLengths) {
    struct Case {
        std::string_view name, text;
        bool found;
    };
    const Case cases[] = {
        {"Warm Pad        ", "WARM", true},
        {"warm pad        ", "PAD", true},
        {"WaRm PaD        ", "wArM pAd", true},
        {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP", true},
        {"ABCDEFGHIJKLMNOP", "NOP", true},
        {"ABCDEFGHIJKLMNOP", "NOPQ", false},
        {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOPQ", false},
        {"PIANO", "PIANO ", false},
        {"Strings 1", "", true},
        {"", "", true},
        {"", "A", false},
        {"A[B", "a{b", false},  // only letters fold: [ and { stay apart
        {"E-PIANO", "e-p", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NameContains(c.name, c.text), c.found) << c.name << " / " << c.text;
        EXPECT_EQ(NameSearch(c.text).Matches(c.name), c.found) << c.name << " / " << c.text;
    }
}

TEST(NameSearch, OnlyTheFirst19CharactersCount) {
    const std::string name = "abcdefghijklmnopqrstuvwxyz";
    EXPECT_TRUE(NameSearch("ABCDEFGHIJKLMNOPQRS-anything").Matches(name));
    EXPECT_FALSE(NameSearch("ABCDEFGHIJKLMNOPQR-").Matches(name));
    EXPECT_FALSE(NameContains(name, "ABCDEFGHIJKLMNOPQRS-anything"));
}

TEST(FindPatchNames, HitsAreTheMatchingEntriesInOrder) {
    TempFolder folder;
    for (const auto& c : DumpCases()) {
        const auto file = folder.Write("case.syx", c.bytes);
        std::error_code error;
        EXPECT_EQ(FindPatchNames(file, NameSearch(""), error), ReadPatchNames(file)) << c.what;
        EXPECT_FALSE(error);
        std::vector<PatchEntry> expected;
        for (const auto& entry : ReadPatchNames(file)) {
            if (NameContains(entry.name, "patch 1")) {
                expected.push_back(entry);
            }
        }
        EXPECT_EQ(FindPatchNames(file, NameSearch("patch 1"), error), expected) << c.what;
    }
    std::error_code error;
    EXPECT_TRUE(FindPatchNames(folder.Path() / "missing.syx", NameSearch(""), error).empty());
    EXPECT_TRUE(error);
}

TEST(ListDumpFiles, FiltersAndSortsWithoutRegardToCase) {
    TempFolder folder;
    for (const char* name : {"b.syx", "A.SYX", "c.Syx", "zeta.syx", "Beta.syx", "x.txt", "syx",
                             "d.syx.bak", "e.syxx"}) {
        folder.Write(name, kJunk);
    }
    std::filesystem::create_directory(folder.Path() / "a.syx");
    std::filesystem::create_directory_symlink(folder.Path() / "a.syx", folder.Path() / "d.syx");
    std::filesystem::create_symlink(folder.Path() / "gone", folder.Path() / "Broken.syx");
    const std::vector<std::string> expected{"A.SYX",      "b.syx", "Beta.syx",
                                            "Broken.syx", "c.Syx", "zeta.syx"};
    std::error_code error;
    EXPECT_EQ(ListDumpFiles(folder.Path(), error), expected);
    EXPECT_FALSE(error);
}

TEST(ListDumpFiles, MissingFolderIsEmptyWithAnError) {
    TempFolder folder;
    std::error_code error;
    EXPECT_TRUE(ListDumpFiles(folder.Path() / "nowhere", error).empty());
    EXPECT_TRUE(error);
    EXPECT_TRUE(ListDumpFiles(folder.Path() / "nowhere").empty());
}

}  // namespace
}  // namespace tessel::format
