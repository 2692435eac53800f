// Runs the built tessel-syx program on generated files and checks its output bytes and status.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "library/format/DumpFile.h"
#include "tests/format/DumpFixtures.h"

namespace tessel::format {
namespace {

using test::TempFolder;

struct Result {
    int status;
    std::string out;
    std::string err;
};

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Result RunTool(const std::vector<std::string>& args, const TempFolder& scratch) {
    const auto errFile = scratch.Path() / "stderr.txt";
    std::string command = ShellQuoted(TESSEL_SYX_PATH);
    for (const auto& arg : args) {
        command += " " + ShellQuoted(arg);
    }
    command += " 2>" + ShellQuoted(errFile.string());
    Result result{};
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.out.append(buffer, got);
    }
    const int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream err(errFile);
    result.err.assign(std::istreambuf_iterator<char>(err), {});
    return result;
}

// A dump whose names hold the listed texts (16 bytes each, as stored) from patch 11 on.
Bytes DumpNamed(std::initializer_list<std::string_view> names) {
    auto records = test::DistinctRecords();
    std::size_t i = 0;
    for (auto name : names) {
        test::SetName(records[i++], name);
    }
    return test::DumpBytes(records);
}

std::string Padded(const std::string& name) {
    return name + std::string(16 - name.size(), ' ');
}

TEST(SyxTool, ListPrintsTheEntryTextsInFileOrder) {
    TempFolder folder;
    const Bytes dump = DumpNamed(
        {"Warm Pad        ", std::string_view("ZERO\0AFTER      ", 16), "ABCDEFGHIJKLMNOP"});
    const auto file = folder.Write("bank.syx", test::Concat({{0xF0, 0x7E, 0xF7}, dump}));
    const Result result = RunTool({"list", file.string()}, folder);
    std::string expected = "11- Warm Pad        \n12- ZERO\n13- ABCDEFGHIJKLMNOP\n";
    for (int i = 3; i < 64; ++i) {
        expected += PatchEntryText({i, Padded("PATCH " + std::to_string(i))}) + "\n";
    }
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.err, "");
}

struct StatusCase {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string out;     // exact standard output
    std::string errHas;  // a piece of the error text, empty for none at all
};

TEST(SyxTool, StatusAndMessages) {
    TempFolder folder;
    const auto dump = folder.Write("dump.syx", DumpNamed({}));
    const auto junk = folder.Write("junk.syx", {0xF0, 0x41, 0x10, 0x3D, 0x11, 0xF7});
    const std::string missing = (folder.Path() / "missing.syx").string();
    const StatusCase cases[] = {
        {"list without a dump", {"list", junk.string()}, 1, "", ""},
        {"list of a missing file", {"list", missing}, 2, "", "missing.syx"},
        {"list of a folder", {"list", folder.Path().string()}, 2, "", "cannot read"},
        {"no command", {}, 2, "", "missing command"},
        {"unknown command", {"lsit", dump.string()}, 2, "", "unknown command 'lsit'"},
        {"list with two files", {"list", dump.string(), dump.string()}, 2, "", "one FILE"},
        {"find in a missing folder", {"find", "PAD", missing}, 2, "", "cannot read folder"},
        {"help", {"--help"}, 0, "Usage: tessel-syx COMMAND", ""},
    };
    for (const auto& c : cases) {
        const Result result = RunTool(c.args, folder);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.out.substr(0, c.out.empty() ? std::string::npos : c.out.size()), c.out)
            << c.what;
        if (c.errHas.empty()) {
            EXPECT_EQ(result.err, "") << c.what;
        } else {
            EXPECT_NE(result.err.find(c.errHas), std::string::npos) << c.what << ": " << result.err;
        }
    }
}

class FindTool : public testing::Test {
protected:
    void SetUp() override {
        library_ = folder_.Path() / "library";
        std::filesystem::create_directory(library_);
        Put("b.syx", DumpNamed({"soft pad        ", "Brass           "}));
        Put("A.SYX", test::Concat({{0xF0, 0x43, 0xF7}, DumpNamed({"", "", "PadLead"})}));
        Put("junk.syx", {0x01, 0x02});
        Put("notes.txt", DumpNamed({"PAD IN TEXT FILE"}));
        std::filesystem::create_directory(library_ / "folder.syx");
    }
    void Put(const std::string& name, const Bytes& bytes) {
        std::ofstream out(library_ / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    Result Find(const std::string& text) {
        return RunTool({"find", text, library_.string()}, folder_);
    }

    TempFolder folder_;
    std::filesystem::path library_;
};

TEST_F(FindTool, HitsInListOrderWithoutRegardToCase) {
    const Result result = Find("PAD");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "A.SYX\t13- PadLead         \nb.syx\t11- soft pad        \n");
}

TEST_F(FindTool, TextLengths) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"", 128},
        {"PATCH 63", 2},
        {"ch 63        ", 2},
        {"ch 63         ", 0},
        {"SOFT PAD        ", 1},
        {"SOFT PAD         ", 0},
        {"SOFT PAD          AND MORE", 0},
        {"NOWHERE", 0},
    };
    for (const auto& [text, hits] : cases) {
        const Result result = Find(text);
        EXPECT_EQ(result.status, 0) << text;
        EXPECT_EQ(static_cast<std::size_t>(std::count(result.out.begin(), result.out.end(), '\n')),
                  hits)
            << "'" << text << "'";
    }
}

TEST_F(FindTool, UnreadableFileIsSkippedWithAWarning) {
    std::filesystem::create_symlink(library_ / "gone.syx", library_ / "Broken.syx");
    const Result result = Find("pad");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "A.SYX\t13- PadLead         \nb.syx\t11- soft pad        \n");
    EXPECT_NE(result.err.find("skipped Broken.syx"), std::string::npos) << result.err;
}

TEST(SyxTool, CheckReportsEachFile) {
    TempFolder folder;
    Bytes broken = DumpNamed({});
    broken[266 + 264] ^= 0x01;
    const auto good = folder.Write("good.syx", DumpNamed({}));
    const auto bad = folder.Write("bad.syx", broken);
    const auto none = folder.Write("none.syx", {0xF0, 0x43, 0x00, 0xF7});
    const std::string missing = (folder.Path() / "missing.syx").string();
    struct Case {
        std::vector<std::string> files;
        int status;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {{good}, 0, {"good.syx: patch memory dump at offset 0, 64 patches, 96 messages"}},
        {{bad}, 1, {"bad.syx: message at offset 266: checksum "}},
        {{none}, 1, {"none.syx: no patch memory dump, 1 messages"}},
        {{good, missing, bad}, 2, {"good.syx: patch", "bad.syx: message at offset 266"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"check"};
        args.insert(args.end(), c.files.begin(), c.files.end());
        const Result checked = RunTool(args, folder);
        EXPECT_EQ(checked.status, c.status) << c.files[0];
        for (const auto& line : c.lines) {
            EXPECT_NE(checked.out.find(line), std::string::npos) << line << " in\n" << checked.out;
        }
    }
}

}  // namespace
}  // namespace tessel::format
