// The dump readers and writers on generated files, and the tessel-syx commands on them: output
// bytes, error texts and exit status.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <numeric>
#include <sstream>

#include "library/format/DumpFile.h"
#include "library/format/DumpReaders.h"
#include "tests/format/DumpFixtures.h"
#include "tools/tessel-syx/CheckedOutput.h"
#include "tools/tessel-syx/SyxTool.h"

namespace tessel::format {
namespace {

using namespace test;

const Records kRecords = DistinctRecords();

// The file, read in chunks that put marks, blocks and records across the refills of its
// buffer, and searched, gives the answers of the bytes in memory.
void ExpectFileReadLikeBytes(const TempFolder& folder, const Bytes& bytes, const char* what) {
    const auto file = folder.Write("case.syx", bytes);
    const auto start = FindDumpStartInBytes(bytes);
    const auto names = ReadPatchNamesFromBytes(bytes);
    const auto record = ReadPatchRecordFromBytes(bytes, 63);
    std::error_code error;
    EXPECT_EQ(FindPatchNames(file, NameSearch(""), error), names) << what;
    for (std::size_t chunk : {1u, 7u, 797u, 799u}) {
        FileWindow forStart(file, chunk), forNames(file, chunk), forRecord(file, chunk);
        EXPECT_EQ(detail::FindDumpStartIn(forStart), start) << what << " " << chunk;
        EXPECT_EQ(detail::ReadPatchNamesIn(forNames), names) << what << " " << chunk;
        EXPECT_EQ(detail::ReadPatchRecordIn(forRecord, 63), record) << what << " " << chunk;
    }
}

TEST(DumpReading, StandardDumpAmongOtherBytes) {
    TempFolder folder;
    for (const auto& [what, bytes, start, listed] : DumpCases()) {
        EXPECT_EQ(FindDumpStartInBytes(bytes), start) << what;
        EXPECT_EQ(ReadPatchNamesFromBytes(bytes).size(), listed) << what;
        for (int i : {0, 63}) {
            const auto expected =
                listed > std::size_t(i) ? std::optional(kRecords[i]) : std::nullopt;
            EXPECT_EQ(ReadPatchRecordFromBytes(bytes, i), expected) << what << " " << i;
        }
        ExpectFileReadLikeBytes(folder, bytes, what);
    }
}

// Other layouts list the patches they hold whole, and hold those whole (what convert writes).
TEST(DumpReading, OtherLayoutsNamesAndRecords) {
    TempFolder folder;
    for (const auto& c : LayoutFiles()) {
        std::vector<PatchEntry> names;
        std::array<std::optional<PatchRecord>, kPatchCount> held{};
        for (int i : c.held) {
            names.push_back({i, std::string(detail::NameAt(c.content[i].data()))});
            held[i] = c.content[i];
        }
        EXPECT_EQ(ReadPatchNamesFromBytes(c.bytes), names) << c.what;
        EXPECT_EQ(ReadPatchRecordFromBytes(c.bytes, c.held.back()), c.content[c.held.back()]);
        EXPECT_EQ(ReadPatchRecordFromBytes(c.bytes, 1).has_value(), names[1].index == 1) << c.what;
        ExpectFileReadLikeBytes(folder, c.bytes, c.what);
        EXPECT_TRUE(ReadHeldPatchesFromBytes(c.bytes).records == held) << c.what;
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
    EXPECT_FALSE(ReadPatchRecordFromBytes(dump, 64)) << "past the patches of the file";
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
TEST(NameSearch, LettersFoldWithinTheName) {
    const std::tuple<std::string_view, std::string_view, bool> cases[] = {
        {"WaRm PaD        ", "wArM pAd", true},
        {"ABCDEFGHIJKLMNOP", "nop", true},
        {"ABCDEFGHIJKLMNOP", "NOPQ", false},
        {"Strings 1", "", true},
        {"", "A", false},
        {"A[B", "a{b", false}};
    for (const auto& [name, text, found] : cases) {
        EXPECT_EQ(NameSearch(text).Matches(name), found) << name << " / " << text;
    }
    EXPECT_TRUE(NameSearch("ABCDEFGHIJKLMNOPQRS-anything").Matches("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_FALSE(NameSearch("ABCDEFGHIJKLMNOPQR-").Matches("abcdefghijklmnopqrstuvwxyz"));
}

// 96 messages of 266 bytes to 05 00 00, 05 02 00, ... 06 3E 00 (two steps of the middle byte
// a message), each summing to a multiple of 128.
TEST(RolandMessage, DumpMessagesAddressesAndChecksums) {
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
}

// A dump whose first patches carry the given names, blank-filled to 16 bytes.
Bytes DumpNamed(std::initializer_list<std::string_view> names) {
    auto records = DistinctRecords();
    auto record = records.begin();
    for (auto name : names) {
        SetName(*record++, name);
    }
    return DumpBytes(records);
}

// "@" in an expected output stands for the last argument; the error text must contain errHas
// (and be empty when errHas is).
TEST(SyxTool, OutputErrorsAndStatus) {
    TempFolder folder;
    const auto& dir = folder.Path();
    const Bytes gsReset{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
    const Bytes oneBlock = Head(DumpNamed({"Warm Pad", {"ZERO\0AFTER", 10}}), 798);
    const std::string list = folder.Write("list.syx", Concat({gsReset, oneBlock}));
    const std::string none = folder.Write("none.syx", gsReset);
    const std::string junk = folder.Write("junk.syx", {0xF0, 0x41, 0x10, 0x3D, 0x11, 0xF7});
    const std::string good = folder.Write("good.syx", DumpNamed({}));
    Bytes broken = DumpNamed({});
    broken[266 + 264] ^= 0x01;
    const std::string bad = folder.Write("bad.syx", broken);
    const std::string missing = (dir / "missing.syx").string();
    std::filesystem::create_symlink(dir / "gone.syx", dir / "Broken.syx");
    // The search library, a folder in between.
    const std::string library = (dir / "library").string();
    std::filesystem::create_directories(dir / "library" / "folder.syx");
    folder.Write("library/b.syx", DumpNamed({"soft pad", "Brass"}));
    folder.Write("library/A.SYX", Concat({gsReset, DumpNamed({"", "", "PadLead"})}));
    for (const char* name : {"line\nbreak.syx", "back\\slash.syx"}) {
        folder.Write(std::string("library/") + name, DumpNamed({"Odd pad"}));  // one line each
    }
    // Other layouts: DT1 messages of 256 and 128 bytes after others, 128-byte ones cut by the
    // end, a MIDI file of format 1.
    const auto layouts = LayoutFiles();
    const Bytes temporary = BuildTemporaryPatchWrite(0x10, layouts[0].content[0])[1];
    const std::string pairs =
        folder.Write("pairs.syx", Concat({gsReset, temporary, layouts[1].bytes}));
    const std::string cut = folder.Write("cut.syx", layouts[5].bytes);
    const std::string format1 = folder.Write("1.mid", layouts[7].bytes);
    const std::string out = (dir / "out.syx").string();
    const std::string kept = folder.Write("kept.syx", {0x4B});
    const std::string goodLine = ": patch memory dump at offset 0, 64 patches, 96 messages\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string errHas = "";
    } cases[] = {
        {{"list", list}, 0, "11- Warm Pad        \n12- ZERO\n"},
        {{"list", junk}, 1, ""},
        {{"find", "PAD", library},
         0,
         "A.SYX\t13- PadLead         \nb.syx\t11- soft pad        \n"
         "back\\\\slash.syx\t11- Odd pad         \nline\\nbreak.syx\t11- Odd pad         \n"},
        {{"find", "NOWHERE", dir.string()}, 1, "", "skipped Broken.syx"},
        {{"find", "PAD", missing}, 2, "", "cannot read folder"},
        {{"check", junk},
         1,
         "@: no patch memory dump, 1 messages\n@: message at offset 0: too short to hold an "
         "address and a checksum\n"},
        {{"check", none},
         1,
         "@: no patch memory dump, 1 messages\n@: message at offset 0 skipped: not a JD-800 DT1 "
         "message\n"},
        {{"check", good, missing, bad},
         2,
         good + goodLine + "@" + goodLine + "@: message at offset 266: checksum 21, expected 20\n",
         "cannot read " + missing},
        {{"check", pairs},
         0,
         "@: patch memory assembled by address from 128 DT1 messages of 128 "
         "to 256 data bytes, 64 patches, 130 messages\n@: message at offset 0 skipped: not a "
         "JD-800 DT1 message\n@: message at offset 11 skipped: DT1 to 00 02 00, outside patch "
         "memory\n"},
        {{"check", cut},
         1,
         "@: patch memory assembled by address from 191 DT1 messages of 128 "
         "data bytes, 63 patches, 191 messages\n@: message at offset 26358: no F7 before the "
         "next message or the end of the file\n@: patch 88 incomplete, 256 of 384 bytes\n"},
        {{"convert", "--device-id", "128", format1, out},
         0,
         "@: 64 patches of " + format1 + ", 0 empty slots\n"},
        {{"convert", none, kept}, 1, "", "holds no JD-800 patch memory"},
        {{"convert", pairs, (dir / "no" / "out.syx").string()}, 2, "", "cannot write"},
        {{"convert", "--device-id", "129", pairs, out}, 2, "", "from 1 to 128"},
    };
    for (const auto& c : cases) {
        std::ostringstream output, err;
        std::string expected = c.out;
        for (auto at = expected.find('@'); at != std::string::npos; at = expected.find('@', at)) {
            expected.replace(at, 1, c.args.back());
        }
        const std::string what = c.args[0] + " " + c.args.back();
        EXPECT_EQ(syx::RunSyxTool(c.args, output, err), c.status) << what;
        EXPECT_EQ(output.str(), expected) << what;
        EXPECT_TRUE(c.errHas.empty() ? err.str().empty()
                                     : err.str().find(c.errHas) != std::string::npos)
            << what << ": " << err.str();
    }
    EXPECT_EQ(FileBytes(out), DumpBytes(DistinctRecords(), 0x7F));
    EXPECT_EQ(FileBytes(kept), Bytes{0x4B});
}

// A command whose output cannot be written says so and exits 2; on a file, the output of many
// dumps (more than one buffer) arrives whole.
TEST(SyxTool, StandardOutputIsCheckedLikeCat) {
    TempFolder folder;
    Bytes dumps;
    for (int i = 0; i < 50; ++i) {
        dumps = Concat({dumps, DumpNamed({})});
    }
    const std::vector<std::string> args{"list", folder.Write("many.syx", dumps)};
    std::ostringstream expected, err;
    syx::RunSyxTool(args, expected, err);
    for (const std::string& target :
         {(folder.Path() / "out.txt").string(), std::string("/dev/full")}) {
        const int descriptor = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        syx::CheckedOutput out(descriptor);
        EXPECT_EQ(syx::RunWithCheckedOutput(args, out, err), target == "/dev/full" ? 2 : 0);
        ::close(descriptor);
    }
    EXPECT_EQ(err.str(), "tessel-syx: write error: No space left on device\n");
    const std::string whole = expected.str();
    EXPECT_TRUE(whole.size() > 64 * 1024 &&
                FileBytes(folder.Path() / "out.txt") == Bytes(whole.begin(), whole.end()));
}

}  // namespace
}  // namespace tessel::format
