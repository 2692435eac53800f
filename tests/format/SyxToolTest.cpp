// The tessel-syx commands on generated files: output bytes, error texts and exit status.
#include "tools/tessel-syx/SyxTool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/format/DumpFixtures.h"
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
        {{"check", none}, 1, none + ": no patch memory dump, 1 messages\n", ""},
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

}  // namespace
}  // namespace tessel::format
