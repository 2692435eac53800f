#include "library/format/DumpFile.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <climits>
#include <numeric>
#include <sstream>

#include "library/format/DumpReaders.h"
#include "tests/format/LayoutFixtures.h"
#include "tools/tessel-syx/SyxTool.h"

namespace tessel::format {
namespace {

using namespace test;

const Records kRecords = DistinctRecords();

// The file, read whole or in chunks that put marks, blocks and records across the refills of
// its buffer, gives the answers of the bytes in memory.
void ExpectFileReadLikeBytes(const TempFolder& folder, const Bytes& bytes, const char* what) {
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
    TempFolder folder;
    for (const auto& c : DumpCases()) {
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
        EXPECT_FALSE(ReadPatchRecordFromBytes(DumpBytes(kRecords), index)) << index;
    }
}

// Other layouts list the patches they hold whole, and convert writes them as a standard dump.
TEST(DumpReading, OtherLayoutsNamesRecordsAndConvert) {
    TempFolder folder;
    for (const auto& c : LayoutFiles()) {
        Records converted{};
        for (auto& record : converted) {
            SetName(record, "<None>");
        }
        std::vector<PatchEntry> names;
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
        EXPECT_EQ(FileBytes(folder.Path() / "out.syx"), DumpBytes(converted)) << c.what;
    }
}

// Entries are numbered 11 to 88 and go on (91, 92, ...) past 64 patches; the name bytes show
// as stored, up to a zero byte.
TEST(DumpReading, EntryTextsShowTheNameBytesAsStoredInFileOrder) {
    auto records = kRecords;
    const std::pair<int, std::string_view> stored[] = {
        {1, {"PIANO\0XXXXXXXXXX", 16}}, {3, {"\0ABCDEFGHIJKLMNO", 16}}, {4, "  lower + 1/2 ~ "}};
    for (const auto& [i, name] : stored) {
        std::copy(name.begin(), name.end(), records[i].begin());
    }
    const Bytes dump = DumpBytes(records);
    const auto names = ReadPatchNamesFromBytes(Concat({dump, Head(dump, kPairBlockSize)}));
    ASSERT_EQ(names.size(), 66u);
    const std::pair<int, std::string> expected[] = {{1, "12- PIANO"},
                                                    {3, "14- "},
                                                    {4, "15-   lower + 1/2 ~ "},
                                                    {20, "35- PATCH 20        "},
                                                    {63, "88- PATCH 63        "},
                                                    {65, "92- PIANO"}};
    for (const auto& [i, text] : expected) {
        EXPECT_EQ(PatchEntryText(names[i]), text);
    }
}

// Neither a pipe without a writer nor an endless device may hold the reader up.
TEST(DumpReading, UnreadableIsToldApartFromNoDump) {
    TempFolder folder;
    const auto& dir = folder.Path();
    std::filesystem::create_directory(dir / "folder.syx");
    ASSERT_EQ(mkfifo((dir / "pipe.syx").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "zero.syx");
    folder.Write("junk.syx", {0x00, 0xF7});
    for (const char* name : {"missing.syx", "folder.syx", "pipe.syx", "zero.syx", "junk.syx"}) {
        std::error_code names, start, record;
        EXPECT_TRUE(ReadPatchNames(dir / name, names).empty());
        EXPECT_FALSE(FindDumpStart(dir / name, start));
        EXPECT_FALSE(ReadPatchRecord(dir / name, 0, record));
        for (const auto& error : {names, start, record}) {
            EXPECT_EQ(static_cast<bool>(error), name != std::string("junk.syx")) << name;
        }
    }
}

// Only letters fold ([ and { stay apart); a prepared search uses only the first 19 characters.
TEST(NameContains, LettersFoldWithinTheName) {
    const std::tuple<std::string_view, std::string_view, bool> cases[] = {
        {"WaRm PaD        ", "wArM pAd", true},
        {"ABCDEFGHIJKLMNOP", "nop", true},
        {"ABCDEFGHIJKLMNOP", "NOPQ", false},
        {"Strings 1", "", true},
        {"", "A", false},
        {"A[B", "a{b", false}};
    for (const auto& [name, text, found] : cases) {
        EXPECT_EQ(NameContains(name, text), found) << name << " / " << text;
        EXPECT_EQ(NameSearch(text).Matches(name), found) << name << " / " << text;
    }
    EXPECT_TRUE(NameSearch("ABCDEFGHIJKLMNOPQRS-anything").Matches("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_FALSE(NameSearch("ABCDEFGHIJKLMNOPQR-").Matches("abcdefghijklmnopqrstuvwxyz"));
}

// 96 messages of 266 bytes to 05 00 00, 05 02 00, ... 06 3E 00 (two steps of the middle byte
// a message), each summing to a multiple of 128; the request asks for 256 bytes.
TEST(RolandMessage, DumpAndRequestBytes) {
    const auto messages = BuildPatchMemoryDump(0x7F, kRecords);
    ASSERT_EQ(messages.size(), 96u);
    for (std::uint8_t k = 0; k < 96; ++k) {
        const Bytes& message = messages[k];
        ASSERT_EQ(message.size(), 266u);
        const Bytes header{
            0xF0, 0x41, 0x7F, 0x3D, 0x12, std::uint8_t(5 + k / 64), std::uint8_t(2 * k % 128), 0};
        EXPECT_EQ(Bytes(message.begin(), message.begin() + 8), header);
        EXPECT_EQ(std::accumulate(message.begin() + 5, message.end() - 1, 0u) % 128, 0u) << +k;
        EXPECT_EQ(message.back(), 0xF7);
    }
    EXPECT_EQ(
        BuildDumpRequest(0x03, {0x06, 0x3E, 0x00}),
        (Bytes{0xF0, 0x41, 0x03, 0x3D, 0x11, 0x06, 0x3E, 0x00, 0x00, 0x02, 0x00, 0x3A, 0xF7}));
}

}  // namespace
}  // namespace tessel::format
