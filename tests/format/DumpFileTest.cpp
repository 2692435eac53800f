#include "library/format/DumpFile.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <climits>
#include <numeric>
#include <sstream>

#include "library/format/DumpReaders.h"
#include "library/format/FileWindow.h"
#include "tests/format/LayoutFixtures.h"
#include "tools/tessel-syx/SyxTool.h"

namespace tessel::format {
namespace {

using test::Concat;
using test::Head;
using test::Records;

const Records kRecords = test::DistinctRecords();

// The file, read whole or in chunks that put marks, blocks and records across the refills of
// its buffer, gives the answers of the bytes in memory.
void ExpectFileReadLikeBytes(const test::TempFolder& folder, const Bytes& bytes, const char* what) {
    const auto file = folder.Write("case.syx", bytes);
    const auto start = FindDumpStartInBytes(bytes);
    const auto names = ReadPatchNamesFromBytes(bytes);
    const auto record = ReadPatchRecordFromBytes(bytes, 63);
    std::error_code error;
    EXPECT_EQ(FindDumpStart(file), start) << what;
    EXPECT_EQ(ReadPatchNames(file), names) << what;
    EXPECT_EQ(FindPatchNames(file, NameSearch(""), error), names) << what;
    EXPECT_EQ(ReadPatchRecord(file, 63), record) << what;
    for (std::size_t chunk : {1u, 7u, 797u, 799u}) {
        FileWindow forStart(file, chunk), forNames(file, chunk), forRecord(file, chunk);
        EXPECT_EQ(detail::FindDumpStartIn(forStart), start) << what << " " << chunk;
        EXPECT_EQ(detail::ReadPatchNamesIn(forNames), names) << what << " " << chunk;
        EXPECT_EQ(detail::ReadPatchRecordIn(forRecord, 63), record) << what << " " << chunk;
    }
}

TEST(DumpReading, StandardDumpAmongOtherBytes) {
    test::TempFolder folder;
    for (const auto& c : test::DumpCases()) {
        EXPECT_EQ(FindDumpStartInBytes(c.bytes), c.start) << c.what;
        EXPECT_EQ(ReadPatchNamesFromBytes(c.bytes).size(), c.names) << c.what;
        for (int i : {0, 63}) {
            const auto expected =
                c.names > std::size_t(i) ? std::optional(kRecords[i]) : std::nullopt;
            EXPECT_EQ(ReadPatchRecordFromBytes(c.bytes, i), expected) << c.what << " " << i;
        }
        ExpectFileReadLikeBytes(folder, c.bytes, c.what);
    }
    for (int index : {-1, 64, INT_MAX}) {
        EXPECT_FALSE(ReadPatchRecordFromBytes(test::DumpBytes(kRecords), index)) << index;
    }
}

// Other layouts list the patches they hold whole, and convert writes them as a standard dump.
TEST(DumpReading, OtherLayoutsNamesRecordsAndConvert) {
    test::TempFolder folder;
    for (const auto& c : test::LayoutFiles()) {
        Records converted{};
        std::vector<PatchEntry> names;
        for (auto& record : converted) {
            test::SetName(record, "<None>");
        }
        for (int i : c.held) {
            names.push_back({i, std::string(detail::NameAt(c.content[i].data()))});
            converted[i] = c.content[i];
        }
        EXPECT_EQ(ReadPatchNamesFromBytes(c.bytes), names) << c.what;
        EXPECT_EQ(ReadPatchRecordFromBytes(c.bytes, c.held.back()), c.content[c.held.back()]);
        EXPECT_EQ(ReadPatchRecordFromBytes(c.bytes, 1).has_value(), names[1].index == 1) << c.what;
        ExpectFileReadLikeBytes(folder, c.bytes, c.what);
        std::ostringstream out, err;
        const std::vector<std::string> args{"convert", folder.Path() / "case.syx",
                                            folder.Path() / "out.syx"};
        EXPECT_EQ(syx::RunSyxTool(args, out, err), 0) << c.what << ": " << err.str();
        EXPECT_EQ(test::FileBytes(folder.Path() / "out.syx"), test::DumpBytes(converted)) << c.what;
    }
}

TEST(DumpReading, EntryTextsShowTheNameBytesAsStoredInFileOrder) {
    auto records = kRecords;
    const std::pair<int, std::string_view> stored[] = {
        {1, {"PIANO\0XXXXXXXXXX", 16}},
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
        {0, "11- PATCH 0         "},
        {1, "12- PIANO"},
        {3, "14- "},
        {4, "15-   lower + 1/2 ~ "},
        {20, "35- PATCH 20        "},
        {63, "88- PATCH 63        "},
        {64, "91- PATCH 0         "},
        {65, "92- PIANO"},
    };
    for (const auto& [i, text] : expected) {
        EXPECT_EQ(PatchEntryText(names[i]), text);
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
        {folder.Write("junk.syx", {0x00, 0xF7}), false},
    };
    for (const auto& [file, unreadable] : cases) {
        std::error_code names, start, record;
        EXPECT_TRUE(ReadPatchNames(file, names).empty());
        EXPECT_FALSE(FindDumpStart(file, start));
        EXPECT_FALSE(ReadPatchRecord(file, 0, record));
        for (const auto& error : {names, start, record}) {
            EXPECT_EQ(static_cast<bool>(error), unreadable) << file;
        }
    }
}

TEST(NameContains, LettersFoldWithinTheName) {
    const struct {
        std::string_view name, text;
        bool found;
    } cases[] = {
        {"WaRm PaD        ", "wArM pAd", true},
        {"ABCDEFGHIJKLMNOP", "nop", true},
        {"ABCDEFGHIJKLMNOP", "NOPQ", false},
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

// 96 messages of 266 bytes to 05 00 00, 05 02 00, ... 06 3E 00 (two steps of the middle byte
// a message), each summing to a multiple of 128, whose data are the records back to back.
TEST(RolandMessage, DumpAndRequestBytes) {
    const auto messages = BuildPatchMemoryDump(0x7F, kRecords);
    ASSERT_EQ(messages.size(), 96u);
    Bytes data;
    for (std::uint8_t k = 0; k < 96; ++k) {
        const Bytes& message = messages[k];
        ASSERT_EQ(message.size(), 266u);
        const Bytes header{
            0xF0, 0x41, 0x7F, 0x3D, 0x12, std::uint8_t(5 + k / 64), std::uint8_t(2 * k % 128),
            0x00};
        EXPECT_EQ(Bytes(message.begin(), message.begin() + 8), header);
        EXPECT_EQ(std::accumulate(message.begin() + 5, message.end() - 1, 0u) % 128, 0u) << +k;
        EXPECT_EQ(message.back(), 0xF7);
        data.insert(data.end(), message.begin() + 8, message.end() - 2);
    }
    for (std::size_t i = 0; i < kPatchCount; ++i) {
        EXPECT_TRUE(std::equal(kRecords[i].begin(), kRecords[i].end(), data.begin() + i * 384));
    }
    EXPECT_EQ(
        BuildDumpRequest(0x03, {0x06, 0x3E, 0x00}),
        (Bytes{0xF0, 0x41, 0x03, 0x3D, 0x11, 0x06, 0x3E, 0x00, 0x00, 0x02, 0x00, 0x3A, 0xF7}));
}

}  // namespace
}  // namespace tessel::format
