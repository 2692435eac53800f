#include "core/settings/SettingsStore.h"

#include <sys/resource.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <fstream>
#include <iterator>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "core/settings/SettingsFolder.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder_); }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path File() const { return folder_ / "tessel.ini"; }
    void Write(std::string_view text) const { std::ofstream(File(), std::ios::binary) << text; }
    static std::string Read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    long FolderEntries() const { return std::distance(fs::directory_iterator(folder_), {}); }

    const fs::path folder_ = fs::temp_directory_path() /
                             ("tessel-settings-" + std::to_string(::getpid()) + "-" +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

// A file written by hand on Windows: CRLF line ends, backslash paths, names in any case.
// Strings lose a pair of enclosing quotes and are cut at 4095 characters, never inside one;
// numbers are an optional sign and leading digits. Missing keys give the default.
TEST_F(SettingsStoreTest, HandWrittenFileReadsAsWritten) {
    const std::string euro = "\xE2\x82\xAC", e = std::string(4092, 'e') + euro;
    Write(
        "DerPath=before any section\r\n[Config]\r\n  derpath = C:\\Synth\\Factory A.syx  \r\n"
        ";PathDef=commented out\r\nPathDef\r\n\r\n[DEVICE]\r\nMidiChanel\t=\t3\r\n"
        "s= ' single ' \r\nu=\"C:\\x'\r\nm=-12abc\r\nbig=99999999999\r\nd=" +
        std::string(4094, 'd') + euro + "\r\ne=" + e + "f\r\n[config]\r\npar_Velo=90\r\n");
    const std::tuple<const char*, const char*, std::string, int> cases[] = {
        {"config", "DerPath", "C:\\Synth\\Factory A.syx", 0},
        {"config", "PathDef", "-", -1},  // commented out, or no '='
        {"device", "MidiChanel", "3", 3},
        {"device", "s", " single ", 0},
        {"device", "u", "\"C:\\x'", 0},  // quotes that do not pair stay
        {"device", "m", "-12abc", -12},
        {"device", "big", "99999999999", INT_MAX},
        {"device", "d", std::string(4094, 'd'), 0},
        {"device", "e", e, 0},
        {"config", "par_Velo", "-", -1},  // a second section of the same name is not read
        {"preview", "MidiChanel", "-", -1}};
    const SettingsStore store(File());
    for (const auto& [section, key, text, number] : cases) {
        EXPECT_EQ(store.ReadString(section, key, "-"), text) << key;
        EXPECT_EQ(store.ReadInt(section, key, -1), number) << key;
    }
}

// A write keeps every other line and the file's own line ends (the platform's in a new file);
// one that would change other entries is refused and leaves the file as it was.
TEST_F(SettingsStoreTest, WritesKeepEveryOtherLineAndTheLineEndStyle) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "[config]\npar_Range=6\n"},
        {"; mine\r\n[Config]\r\nunknown=1\r\nPAR_RANGE = 3\r\n\r\n[device]\r\nMidiID=17\r\n",
         "; mine\r\n[Config]\r\nunknown=1\r\nPAR_RANGE =6\r\n\r\n[device]\r\nMidiID=17\r\n"},
        {"[config]\r\npar_Velo=90\r\n\r\n# note\r\n[device]\r\nPathDef=C:\\x\r\n",
         "[config]\r\npar_Velo=90\r\npar_Range=6\r\n\r\n# note\r\n[device]\r\nPathDef=C:\\x\r\n"},
        {"[device]\r\nMidiIn=a", "[device]\r\nMidiIn=a\r\n\r\n[config]\r\npar_Range=6\r\n"},
        {"\xEF\xBB\xBF[config]\npar_Range=1\n", "\xEF\xBB\xBF[config]\npar_Range=6\n"}};
    SettingsStore store(File());
    for (const auto& [before, after] : cases) {
        fs::remove(File());
        if (!before.empty()) {
            Write(before);
        }
        EXPECT_TRUE(store.WriteString("config", "par_Range", "6")) << before;
        EXPECT_EQ(Read(File()), after);
    }
    const std::tuple<const char*, const char*, const char*> refused[] = {
        {"config", "DerPath", "/a\nPathDef=/evil"},
        {"config", "Der=Path", "x"},
        {"con]fig", "DerPath", "x"}};
    for (const auto& [section, key, value] : refused) {
        EXPECT_FALSE(store.WriteString(section, key, value)) << section << key << value;
        EXPECT_EQ(Read(File()), "\xEF\xBB\xBF[config]\npar_Range=6\n");
    }
}

// A link stays a link and its target takes the new content. A read-only file (its write bits
// cleared), a loop of links, a replacement past the file size limit (both stop root too) and a
// missing folder leave the old file whole and no temporary file.
TEST_F(SettingsStoreTest, WritesFollowLinksAndKeepTheOldFileWhenTheyFail) {
    enum Block { kNone, kReadOnly, kSizeLimit };
    using Links = std::vector<std::pair<fs::path, fs::path>>;  // in folder_, and what they hold
    const fs::path real = folder_ / "real" / "settings.ini";
    const std::tuple<const char*, Links, Block, bool> cases[] = {
        {"relative link", {{"tessel.ini", "real/settings.ini"}}, kNone, true},
        {"read-only file", {}, kReadOnly, false},
        {"link to a read-only file", {{"tessel.ini", "real/settings.ini"}}, kReadOnly, false},
        {"loop", {{"tessel.ini", "loop.ini"}, {"loop.ini", "tessel.ini"}}, kNone, false},
        {"full disk", {}, kSizeLimit, false}};
    const std::string before = "[config]\r\npar_Range=5\r\n";
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    for (const auto& [what, links, block, written] : cases) {
        fs::remove_all(folder_);
        fs::create_directories(real.parent_path());
        const fs::path target = links.empty() ? File() : real;
        std::ofstream(target, std::ios::binary) << before;
        for (const auto& [link, to] : links) {
            fs::create_symlink(to, folder_ / link);
        }
        if (block == kReadOnly) {
            fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
        }
        const rlimit limited{block == kSizeLimit ? 64 * 1024 : saved.rlim_cur, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
        const std::string value = block == kSizeLimit ? std::string(200 * 1024, 'x') : "6";
        EXPECT_EQ(SettingsStore(File()).WriteString("config", "par_Range", value), written) << what;
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(Read(target), written ? "[config]\r\npar_Range=6\r\n" : before) << what;
        EXPECT_TRUE(links.empty() || fs::read_symlink(File()) == links[0].second) << what;
        EXPECT_EQ(FolderEntries(), 1 + std::max<long>(1, std::ssize(links))) << what;
    }
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(SettingsStore(folder_ / "missing" / "tessel.ini").WriteInt("config", "x", 4));
}

// Root writes into any folder that exists, so the executable folder that cannot be written
// here is one that cannot be created: it would lie under a file that is no folder. The user's
// folder is then made, private to the user; without one the settings stay where they were. (The
// start-up tests cover an executable folder that can be written.)
TEST_F(SettingsStoreTest, SettingsGoToTheUserFolderWhenTheExecutablesCannotBeWritten) {
    const fs::path config = folder_ / "config" / "tessel";
    EXPECT_EQ(ChooseSettingsFolder("/dev/null/bin", config), config);
    EXPECT_EQ(fs::status(config.parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(ChooseSettingsFolder("/dev/null/bin", ""), "/dev/null/bin");
    const std::tuple<const char*, const char*, fs::path> homes[] = {
        {"/x/cfg", "/home/u", "/x/cfg/tessel"},
        {"x/cfg", "/home/u", "/home/u/.config/tessel"},  // a relative folder is ignored
        {nullptr, nullptr, ""}};
    for (const auto& [xdg, home, expected] : homes) {
        EXPECT_EQ(UserConfigFolder(xdg, home), expected) << (xdg ? xdg : "unset");
    }
}

// Writers on one store lose no entry.
TEST_F(SettingsStoreTest, ConcurrentWritesLoseNothing) {
    SettingsStore store(File());
    std::vector<std::jthread> writers;
    for (int w = 0; w < 4; ++w) {
        writers.emplace_back([&, w] {
            for (int i = w * 30; i < w * 30 + 30; ++i) {
                store.WriteInt("device", "w" + std::to_string(i), i);
            }
        });
    }
    writers.clear();  // joins them
    for (int i = 0; i < 120; ++i) {
        EXPECT_EQ(store.ReadInt("device", "w" + std::to_string(i), -1), i);
    }
    EXPECT_EQ(FolderEntries(), 1);
}

}  // namespace
}  // namespace tessel
