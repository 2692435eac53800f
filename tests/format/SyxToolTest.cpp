// The tessel-syx commands on generated files: output bytes, error texts and exit status.
#include "tools/tessel-syx/SyxTool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "tests/format/LayoutFixtures.h"
#include "tools/tessel-syx/CheckedOutput.h"

namespace tessel::format {
namespace {

using namespace test;

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
    // The search library: folders, links to folders and other files in between.
    const std::string library = (dir / "library").string();
    std::filesystem::create_directories(dir / "library" / "folder.syx");
    std::filesystem::create_directory_symlink(dir / "library" / "folder.syx",
                                              dir / "library" / "d.syx");
    folder.Write("library/b.syx", DumpNamed({"soft pad", "Brass"}));
    folder.Write("library/A.SYX", Concat({gsReset, DumpNamed({"", "", "PadLead"})}));
    for (const char* name : {"notes.txt", "d.syx.bak", "syx", "e.syxx"}) {
        folder.Write(std::string("library/") + name, DumpNamed({"PAD IN OTHER FILE"}));
    }
    for (const char* name : {"tab\tname.syx", "line\nbreak.syx", "back\\slash.syx"}) {
        folder.Write(std::string("library/") + name, DumpNamed({"Odd pad"}));  // one line each
    }
    // Other layouts: DT1 messages of 256 and 128 bytes after others, 128-byte ones cut by the
    // end, MIDI files of format 1 and with a damaged track.
    const Records records = DistinctRecords();
    const Bytes temporary = BuildTemporaryPatchWrite(0x10, records[0])[1];
    const std::string pairs = folder.Write(
        "pairs.syx",
        Concat({gsReset, temporary, Dt1Patches(records, PatchRange(0, 64), {256, 128})}));
    const auto layouts = LayoutFiles();
    const std::string cut = folder.Write("cut.syx", layouts[5].bytes);
    const std::string format1 = folder.Write("1.mid", layouts[8].bytes);
    const std::string damaged = folder.Write("0.mid", layouts[11].bytes);
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
        {{"list", missing}, 2, "", "cannot read " + missing},
        {{"find", "PAD", library},
         0,
         "A.SYX\t13- PadLead         \nb.syx\t11- soft pad        \n"
         "back\\\\slash.syx\t11- Odd pad         \nline\\nbreak.syx\t11- Odd pad         \n"
         "tab\\tname.syx\t11- Odd pad         \n"},
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
        {{"check", damaged},
         1,
         "@: Standard MIDI File, format 0, 1 track\n@: damaged at offset "
         "12942: data byte without a running status, read up to there\n@: patch memory dump at "
         "offset 30, 32 patches, 48 messages\n"},
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
    EXPECT_EQ(FileBytes(out), DumpBytes(records, 0x7F));
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
