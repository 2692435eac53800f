#include "library/format/DumpFile.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <climits>

#include "library/format/DumpReaders.h"
#include "library/format/FileWindow.h"
#include "library/format/MessageCheck.h"
#include "tests/format/DumpFixtures.h"

namespace tessel::format {
namespace {

using test::Concat;
using test::Head;

const Bytes kDump = test::DumpBytes(test::DistinctRecords());
const Bytes kMark{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x05, 0x00, 0x00};
const Bytes kOtherModel{0xF0, 0x41, 0x10, 0x3E, 0x12, 0x05, 0x00, 0x00, 0x01, 0x7A, 0xF7};
const Bytes kOtherAddress{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x06, 0x00, 0x00, 0x01, 0x79, 0xF7};
const Bytes kJunk{0x00, 0x7F, 0xF7, 0x41, 0x3D, 0x12, 0x05, 0x90, 0x3C, 0x40};

struct DumpCase {
    const char* what;
    Bytes bytes;
    std::optional<std::uint64_t> start;
    std::size_t names;
};

TEST(DumpReading, SameAnswersFromMemoryAndFromFilesReadInAnyChunkSize) {
    const Bytes request = BuildDumpRequest(kDefaultDeviceByte, kPatchMemoryAddress);
    const Bytes block = Head(kDump, kPairBlockSize);
    const DumpCase cases[] = {
        {"one standard dump", kDump, 0, 64},
        {"after other messages and junk", Concat({request, kJunk, kOtherModel, kDump}), 34, 64},
        {"device byte 7F", test::DumpBytes(test::DistinctRecords(), 0x7F), 0, 64},
        {"other model and address first", Concat({kOtherModel, kOtherAddress, kDump}), 22, 64},
        {"F0 F0 before it", Concat({{0xF0}, kDump}), 1, 64},
        {"broken mark ending in F0", Concat({Head(kMark, 5), kDump}), 5, 64},
        {"cut inside the last pair block", Head(kDump, kDump.size() - 100), 0, 62},
        {"33 blocks and a part", Concat({kDump, block, Head(block, 797)}), 0, 66},
        {"less than one block", Head(kDump, kPairBlockSize - 1), 0, 0},
        {"mark cut by the end", Head(kMark, 5), std::nullopt, 0},
        {"no dump", Concat({kOtherModel, kJunk}), std::nullopt, 0},
    };
    test::TempFolder folder;
    for (const auto& c : cases) {
        const auto file = folder.Write("case.syx", c.bytes);
        const auto names = ReadPatchNamesFromBytes(c.bytes);
        const auto record = ReadPatchRecordFromBytes(c.bytes, 31);
        EXPECT_EQ(FindDumpStartInBytes(c.bytes), c.start) << c.what;
        EXPECT_EQ(names.size(), c.names) << c.what;
        EXPECT_EQ(FindDumpStart(file), c.start) << c.what;
        EXPECT_EQ(ReadPatchNames(file), names) << c.what;
        EXPECT_EQ(ReadPatchRecord(file, 31), record) << c.what;
        // Small chunks put marks, blocks and records across the refills of the file buffer.
        for (std::size_t chunk : {1u, 5u, 7u, 797u, 799u}) {
            FileWindow forStart(file, chunk), forNames(file, chunk), forRecord(file, chunk);
            EXPECT_EQ(detail::FindDumpStartIn(forStart), c.start) << c.what << " " << chunk;
            EXPECT_EQ(detail::ReadPatchNamesIn(forNames), names) << c.what << " " << chunk;
            EXPECT_EQ(detail::ReadPatchRecordIn(forRecord, 31), record) << c.what << " " << chunk;
        }
    }
}

TEST(DumpReading, EntryTextsShowTheNameBytesAsStoredInFileOrder) {
    auto records = test::DistinctRecords();
    const std::pair<int, std::string_view> stored[] = {
        {1, {"PIANO\0XXXXXXXXXX", 16}},
        {2, "ABCDEFGHIJKLMNOP"},
        {3, {"\0ABCDEFGHIJKLMNO", 16}},
        {4, "  lower + 1/2 ~ "},
    };
    for (const auto& [i, name] : stored) {
        std::copy(name.begin(), name.end(), records[i].begin());
    }
    const Bytes dump = test::DumpBytes(records);
    const auto names = ReadPatchNamesFromBytes(Concat({dump, Head(dump, kPairBlockSize)}));
    ASSERT_EQ(names.size(), 66u);
    const std::pair<int, std::string> expected[] = {
        {0, "11- PATCH 0         "},  {1, "12- PIANO"},
        {2, "13- ABCDEFGHIJKLMNOP"},  {3, "14- "},
        {4, "15-   lower + 1/2 ~ "},  {8, "21- PATCH 8         "},
        {20, "35- PATCH 20        "}, {63, "88- PATCH 63        "},
        {64, "91- PATCH 0         "}, {65, "92- PIANO"},
    };
    for (const auto& [i, text] : expected) {
        EXPECT_EQ(PatchEntryText(names[i]), text);
    }
}

TEST(ReadPatchRecord, OddFilesGiveNone) {
    const std::pair<const char*, Bytes> cases[] = {
        {"end inside the data", Head(kDump, 400)},
        {"end inside a skipped header", Head(kDump, 270)},
        // A mark that begins no whole message holds no patch: no bytes are taken from it.
        {"F7 right after a mark", Concat({kMark, {0xF7}, Bytes(400, 0x11)})},
        {"no message ends", Concat({kMark, Bytes(1000, 0x33)})},
    };
    test::TempFolder folder;
    for (const auto& [what, bytes] : cases) {
        const auto file = folder.Write("odd.syx", bytes);
        EXPECT_FALSE(ReadPatchRecord(file, 0)) << what;
        EXPECT_FALSE(ReadPatchRecordFromBytes(bytes, 0)) << what;
    }
    for (int index : {-1, 64, INT_MAX}) {
        EXPECT_FALSE(ReadPatchRecordFromBytes(kDump, index)) << index;
    }
}

TEST(DumpReading, UnreadableIsToldApartFromNoDump) {
    test::TempFolder folder;
    const auto& dir = folder.Path();
    std::filesystem::create_directory(dir / "folder.syx");
    // Neither a pipe without a writer nor an endless device may hold the reader up.
    ASSERT_EQ(mkfifo((dir / "pipe.syx").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "zero.syx");
    const std::pair<std::filesystem::path, bool> cases[] = {
        {dir / "missing.syx", true},
        {dir / "folder.syx", true},
        {dir / "pipe.syx", true},
        {dir / "zero.syx", true},
        {folder.Write("junk.syx", kJunk), false},
    };
    for (const auto& [file, unreadable] : cases) {
        std::error_code names, start, record, check;
        EXPECT_TRUE(ReadPatchNames(file, names).empty());
        EXPECT_FALSE(FindDumpStart(file, start));
        EXPECT_FALSE(ReadPatchRecord(file, 0, record));
        EXPECT_EQ(CheckMessages(file, check).messages, 0u);
        for (const auto& error : {names, start, record, check}) {
            EXPECT_EQ(static_cast<bool>(error), unreadable) << file;
        }
    }
}

TEST(NameContains, LettersFoldWithinTheName) {
    const struct {
        std::string_view name, text;
        bool found;
    } cases[] = {
        {"Warm Pad        ", "WARM", true},
        {"WaRm PaD        ", "wArM pAd", true},
        {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP", true},
        {"ABCDEFGHIJKLMNOP", "nop", true},
        {"ABCDEFGHIJKLMNOP", "NOPQ", false},
        {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOPQ", false},
        {"Strings 1", "", true},
        {"", "A", false},
        {"A[B", "a{b", false},  // only letters fold: [ and { stay apart
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NameContains(c.name, c.text), c.found) << c.name << " / " << c.text;
        EXPECT_EQ(NameSearch(c.text).Matches(c.name), c.found) << c.name << " / " << c.text;
    }
    // A prepared search uses only the first 19 characters.
    const std::string name = "abcdefghijklmnopqrstuvwxyz";
    EXPECT_TRUE(NameSearch("ABCDEFGHIJKLMNOPQRS-anything").Matches(name));
    EXPECT_FALSE(NameSearch("ABCDEFGHIJKLMNOPQR-").Matches(name));
}

TEST(ListDumpFiles, FiltersAndSortsWithoutRegardToCase) {
    test::TempFolder folder;
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
    EXPECT_TRUE(ListDumpFiles(folder.Path() / "nowhere", error).empty());
    EXPECT_TRUE(error);
}

}  // namespace
}  // namespace tessel::format
