// The tessel-syx commands on generated files: output bytes, error texts and exit status.
#include "tools/tessel-syx/SyxTool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/format/LayoutFixtures.h"
#include "tools/tessel-syx/CheckedOutput.h"

namespace tessel::format {
namespace {

// A dump whose first patches carry the given names, blank-filled to 16 bytes.
Bytes DumpNamed(std::initializer_list<std::string_view> names) {
    auto records = test::DistinctRecords();
    auto record = records.begin();
    for (auto name : names) {
        test::SetName(*record++, name);
    }
    return test::DumpBytes(records);
}

TEST(SyxTool, OutputErrorsAndStatus) {
    test::TempFolder folder;
    const auto& dir = folder.Path();
    const Bytes other{0xF0, 0x43, 0xF7};
    const Bytes oneBlock = test::Head(DumpNamed({"Warm Pad", {"ZERO\0AFTER", 10}}), 798);
    const std::string list = folder.Write("list.syx", test::Concat({other, oneBlock}));
    const std::string none = folder.Write("none.syx", other);
    const std::string junk = folder.Write("junk.syx", {0xF0, 0x41, 0x10, 0x3D, 0x11, 0xF7});
    const std::string good = folder.Write("good.syx", DumpNamed({}));
    Bytes broken = DumpNamed({});
    broken[266 + 264] ^= 0x01;
    const std::string bad = folder.Write("bad.syx", broken);
    const std::string missing = (dir / "missing.syx").string();
    // The search library: folders, other files and unreadable files in between.
    const std::string library = (dir / "library").string();
    std::filesystem::create_directories(dir / "library" / "folder.syx");
    folder.Write("library/b.syx", DumpNamed({"soft pad", "Brass"}));
    folder.Write("library/A.SYX", test::Concat({other, DumpNamed({"", "", "PadLead"})}));
    folder.Write("library/junk.syx", {0x01, 0x02});
    folder.Write("library/notes.txt", DumpNamed({"PAD IN TEXT FILE"}));
    std::filesystem::create_symlink(dir / "gone.syx", dir / "library" / "Broken.syx");
    for (const char* name : {"tab\tname.syx", "line\nbreak.syx", "back\\slash.syx"}) {
        folder.Write(std::string("library/") + name, DumpNamed({"Odd"}));  // one line each
    }
    const std::string goodLine =
        good + ": patch memory dump at offset 0, 64 patches, 96 messages\n";
    const std::string badLines = bad +
                                 ": patch memory dump at offset 0, 64 patches, 96 messages\n" +
                                 bad + ": message at offset 266: checksum 21, expected 20\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string errHas;  // a piece of the error text, empty for none at all
    } cases[] = {
        {{"list", list}, 0, "11- Warm Pad        \n12- ZERO\n", ""},
        {{"list", junk}, 1, "", ""},
        {{"list", missing}, 2, "", "cannot read " + missing},
        {{"list", library}, 2, "", "cannot read"},
        {{"find", "PAD", library},
         1,
         "A.SYX\t13- PadLead         \nb.syx\t11- soft pad        \n",
         "skipped Broken.syx"},
        {{"find", "NOWHERE", dir.string()}, 0, "", ""},
        {{"find", "odd", library},
         1,
         "back\\\\slash.syx\t11- Odd             \nline\\nbreak.syx\t11- Odd             \n"
         "tab\\tname.syx\t11- Odd             \n",
         "skipped Broken.syx"},
        {{"find", "PAD", missing}, 2, "", "cannot read folder"},
        {{"check", good}, 0, goodLine, ""},
        {{"check", bad}, 1, badLines, ""},
        {{"check", junk},
         1,
         junk + ": no patch memory dump, 1 messages\n" + junk +
             ": message at offset 0: too short to hold an address and a checksum\n",
         ""},
        {{"check", none},
         1,
         none + ": no patch memory dump, 1 messages\n" + none +
             ": message at offset 0 skipped: not a JD-800 DT1 message\n",
         ""},
        {{"check", good, missing, bad}, 2, goodLine + badLines, "cannot read " + missing},
        {{}, 2, "", "missing command"},
        {{"lsit", list}, 2, "", "unknown command 'lsit'"},
        {{"list", list, list}, 2, "", "list takes one FILE"},
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        const std::string what = c.args.empty() ? "" : c.args[0] + " " + c.args.back();
        EXPECT_EQ(syx::RunSyxTool(c.args, out, err), c.status) << what;
        EXPECT_EQ(out.str(), c.out) << what;
        EXPECT_TRUE(c.errHas.empty() ? err.str().empty()
                                     : err.str().find(c.errHas) != std::string::npos)
            << what << ": " << err.str();
    }
    std::ostringstream help;
    EXPECT_EQ(syx::RunSyxTool(std::vector<std::string>{"--help"}, help, help), 0);
    EXPECT_TRUE(help.str().starts_with("Usage: tessel-syx COMMAND")) << help.str();
}

// Every command run on a descriptor that cannot take its output says so and exits 2; on a
// file, the output of many dumps (more than one buffer) arrives whole.
TEST(SyxTool, StandardOutputIsCheckedLikeCat) {
    test::TempFolder folder;
    Bytes dumps;
    for (int i = 0; i < 50; ++i) {
        dumps = test::Concat({dumps, DumpNamed({})});
    }
    const std::string many = folder.Write("many.syx", dumps);
    const std::string written = (folder.Path() / "out.txt").string();
    const std::string noSpace = "tessel-syx: write error: No space left on device\n";
    const std::tuple<std::vector<std::string>, std::string, int, std::string> cases[] = {
        {{"list", many}, written, 0, ""},
        {{"list", many}, "/dev/full", 2, noSpace},
        {{"check", many}, "/dev/full", 2, noSpace},
        {{"find", "", folder.Path().string()}, "/dev/full", 2, noSpace},
        {{"--help"}, "/dev/full", 2, noSpace},
    };
    for (const auto& [args, target, status, errText] : cases) {
        const int descriptor = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        syx::CheckedOutput out(descriptor);
        std::ostringstream err;
        EXPECT_EQ(syx::RunWithCheckedOutput(args, out, err), status) << args[0] << " > " << target;
        ::close(descriptor);
        EXPECT_EQ(err.str(), errText);
    }
    std::ostringstream expected, file;
    syx::RunSyxTool(std::vector<std::string>{"list", many}, expected, expected);
    file << std::ifstream(written).rdbuf();
    EXPECT_TRUE(expected.str().size() > 64 * 1024 && file.str() == expected.str());
}

// Check names the layout and what it passed over; convert writes only a whole dump. "@" in
// an expected output stands for the last argument.
TEST(SyxTool, CheckAndConvertOtherLayouts) {
    using namespace test;
    TempFolder folder;
    const auto records = DistinctRecords();
    const Bytes gsReset{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
    const Bytes temporary = BuildTemporaryPatchWrite(0x10, records[0])[1];
    const Bytes by128 = Dt1Patches(records, PatchRange(0, 64), {128, 128, 128});
    const Bytes track0{0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40};
    const Bytes tempo{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    const std::string pairs = folder.Write(
        "pairs.syx",
        Concat({gsReset, temporary, Dt1Patches(records, PatchRange(0, 64), {256, 128})}));
    const std::string cut = folder.Write("cut.syx", Head(by128, by128.size() - 50));
    const std::string early = folder.Write(
        "early.syx", Concat({BuildDt1(0x10, {0x06, 0x00, 0x00}, Bytes(128, 0x01)), DumpNamed({})}));
    const std::string format1 =
        folder.Write("1.mid", MidiFile(1, {tempo, SysexEvents(DumpNamed({}))}));
    const std::string damaged = folder.Write(
        "0.mid", MidiFile(0, {Concat({track0, DumpEventsAround(DumpNamed({}), {0x00, 0x3C})})}));
    const std::string none = folder.Write("none.syx", gsReset);
    const std::string out = (folder.Path() / "out.syx").string();
    const std::string kept = folder.Write("kept.syx", {0x4B});
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string errHas = "";  // a piece of the error text, empty for none
    } cases[] = {
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
        {{"check", early},
         0,
         "@: patch memory dump at offset 138, 64 patches, 97 messages\n@: "
         "message at offset 0 skipped: before the patch memory dump\n"},
        {{"check", format1},
         0,
         "@: Standard MIDI File, format 1, 2 tracks\n@: patch memory dump "
         "at offset 42, 64 patches, 96 messages\n"},
        {{"check", damaged},
         1,
         "@: Standard MIDI File, format 0, 1 track\n@: damaged at offset "
         "12942: data byte without a running status, read up to there\n@: patch memory dump at "
         "offset 30, 32 patches, 48 messages\n"},
        {{"convert", "--device-id", "128", format1, out},
         0,
         "@: 64 patches of " + format1 + ", 0 empty slots\n"},
        {{"convert", none, kept}, 1, "", "holds no JD-800 patch memory"},
        {{"convert", pairs, (folder.Path() / "no" / "out.syx").string()}, 2, "", "cannot write"},
        {{"convert", "--device-id", "129", pairs, out}, 2, "", "from 1 to 128"},
        {{"convert", pairs}, 2, "", "convert takes IN and OUT"},
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        std::string expected = c.out;
        for (auto at = expected.find('@'); at != std::string::npos; at = expected.find('@', at)) {
            expected.replace(at, 1, c.args.back());
        }
        EXPECT_EQ(syx::RunSyxTool(c.args, out, err), c.status) << c.args[1];
        EXPECT_EQ(out.str(), expected) << c.args[1];
        EXPECT_TRUE(c.errHas.empty() ? err.str().empty()
                                     : err.str().find(c.errHas) != std::string::npos)
            << c.args[1] << ": " << err.str();
    }
    EXPECT_EQ(FileBytes(out), DumpBytes(records, 0x7F));
    EXPECT_EQ(FileBytes(kept), Bytes{0x4B});
}

}  // namespace
}  // namespace tessel::format
