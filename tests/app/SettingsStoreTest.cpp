#include "core/settings/SettingsStore.h"

#include "core/settings/SettingsFolder.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder_); }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path File() const { return folder_ / "tessel.ini"; }
    void Write(std::string_view content) const {
        std::ofstream(File(), std::ios::binary) << content;
    }
    std::string Read(const fs::path& file) const {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    long FolderEntries() const { return std::distance(fs::directory_iterator(folder_), {}); }

    const fs::path folder_ = fs::temp_directory_path() /
                             ("tessel-settings-" + std::to_string(::getpid()) + "-" +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

// A file written by hand on Windows: CRLF line ends, backslash paths, names in any case.
// Missing keys give the default.
TEST_F(SettingsStoreTest, HandWrittenFileReadsAsWritten) {
    Write(
        "DerPath=before any section\r\n[Config]\r\n"
        "  derpath = C:\\Synth\\JD800\\Factory A.syx  \r\n"
        ";PathDef=commented out\r\nPathDef\r\nPAR_RANGE=9\r\n\r\n"
        "[DEVICE]\r\nMidiIn=\"quoted\"\r\nMidiOut= ' single ' \r\nPathDef=\"C:\\x'\r\n"
        "MidiID=\"5\"\r\nx=\"\r\nMidiChanel\t=\t3\r\n[config]\r\npar_Velo=90\r\n");
    SettingsStore store(File());
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"config", "DerPath", "C:\\Synth\\JD800\\Factory A.syx"},
        {"config", "PathDef", "-"},  // commented out, or no '='
        {"device", "MidiIn", "quoted"},
        {"device", "MidiOut", " single "},
        {"device", "PathDef", "\"C:\\x'"},  // quotes that do not pair stay
        {"device", "x", "\""},
        {"config", "par_Velo", "-"},  // a second section of the same name is not read
        {"preview", "MidiIn", "-"}};
    for (const auto& [section, key, expected] : cases) {
        EXPECT_EQ(store.ReadString(section, key, "-"), expected) << section << "/" << key;
    }
    EXPECT_EQ(store.ReadInt("config", "par_Range", 4), 9);
    EXPECT_EQ(store.ReadInt("device", "MidiChanel", 1), 3);
    EXPECT_EQ(store.ReadInt("device", "MidiID", 17), 5);
}

TEST_F(SettingsStoreTest, ReadIntTakesSignAndLeadingDigits) {
    const std::pair<const char*, int> cases[] = {
        {"-12abc", -12},
        {"+7", 7},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"0x10", 0},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    SettingsStore store(File());
    for (const auto& [stored, expected] : cases) {
        Write(std::string("[config]\npar_Tempo=") + stored + "\n");
        EXPECT_EQ(store.ReadInt("config", "par_Tempo", 140), expected) << stored;
    }
}

TEST_F(SettingsStoreTest, ReadStringIsCutAt4095CharactersNeverInsideOne) {
    const std::string euro = "\xE2\x82\xAC";
    const std::pair<std::string, std::string> cases[] = {
        {std::string(4095, 'a'), std::string(4095, 'a')},
        {std::string(4096, 'b'), std::string(4095, 'b')},
        {std::string(4094, 'd') + euro, std::string(4094, 'd')},
        {std::string(4092, 'e') + euro + "f", std::string(4092, 'e') + euro}};
    SettingsStore store(File());
    for (const auto& [stored, expected] : cases) {
        Write("[device]\nPathDef=" + stored + "\n");
        EXPECT_EQ(store.ReadString("device", "PathDef", ""), expected) << stored.size();
    }
}

TEST_F(SettingsStoreTest, WritesKeepEveryOtherLineAndTheLineEndStyle) {
    struct Case {
        std::string before;
        const char *section, *key, *value;
        std::string after;
    };
    const Case cases[] = {
        {"", "config", "par_Range", "4", "[config]\npar_Range=4\n"},
        {"; mine\r\n[Config]\r\nunknown=1\r\nPAR_RANGE = 3\r\n\r\n[device]\r\nMidiID=17\r\n",
         "config", "par_Range", "6",
         "; mine\r\n[Config]\r\nunknown=1\r\nPAR_RANGE =6\r\n\r\n[device]\r\nMidiID=17\r\n"},
        {"[config]\r\npar_Velo=90\r\n\r\n# note\r\n[device]\r\nPathDef=C:\\x\r\n", "CONFIG",
         "par_Tempo", "120",
         "[config]\r\npar_Velo=90\r\npar_Tempo=120\r\n\r\n# note\r\n[device]\r\nPathDef=C:\\x\r\n"},
        {"[config]\npar_Velo=90", "device", "MidiIn", "<none>",
         "[config]\npar_Velo=90\n\n[device]\nMidiIn=<none>\n"},
        {"[device]\r\nMidiIn=a", "device", "MidiOut", "b", "[device]\r\nMidiIn=a\r\nMidiOut=b\r\n"},
        {"[device]\nA=1\n[device]\nMidiID=5\n", "device", "MidiID", "9",
         "[device]\nA=1\nMidiID=9\n[device]\nMidiID=5\n"},
        {"\xEF\xBB\xBF[config]\npar_Motif=1\n", "config", "par_Motif", "2",
         "\xEF\xBB\xBF[config]\npar_Motif=2\n"}};
    SettingsStore store(File());
    for (const auto& c : cases) {
        fs::remove(File());
        if (!c.before.empty()) {
            Write(c.before);
        }
        EXPECT_TRUE(store.WriteString(c.section, c.key, c.value)) << c.before;
        EXPECT_EQ(Read(File()), c.after);
        EXPECT_EQ(store.ReadString(c.section, c.key, "missing"), c.value) << c.before;
    }
}

TEST_F(SettingsStoreTest, WriteThatWouldChangeOtherEntriesIsRefused) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"config", "DerPath", "/a\nPathDef=/evil"},
        {"config", "Der=Path", "x"},
        {"config", "[device]", "x"},
        {"con]fig", "DerPath", "x"}};
    Write("[config]\nDerPath=/old\n");
    SettingsStore store(File());
    for (const auto& [section, key, value] : cases) {
        EXPECT_FALSE(store.WriteString(section, key, value)) << section << key << value;
        EXPECT_EQ(Read(File()), "[config]\nDerPath=/old\n");
    }
}

TEST_F(SettingsStoreTest, FailedWriteLeavesNoTrace) {
    EXPECT_FALSE(SettingsStore(folder_ / "missing" / "tessel.ini").WriteInt("config", "x", 4));
    fs::create_directory(File());
    EXPECT_FALSE(SettingsStore(File()).WriteInt("config", "par_Range", 4));
    EXPECT_TRUE(fs::is_directory(File()));
    EXPECT_EQ(FolderEntries(), 1);
}

// Beyond the file size limit writes fail even for root (a read-only folder would not stop
// root): the replacement cannot be written, and the old file must stay whole.
TEST_F(SettingsStoreTest, OldFileStaysWholeWhenTheReplacementCannotBeWritten) {
    const std::string before = "[config]\r\npar_Range=5\r\n; comment\r\n";
    Write(before);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written =
        SettingsStore(File()).WriteString("device", "PathDef", std::string(200 * 1024, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(Read(File()), before);
    EXPECT_EQ(FolderEntries(), 1) << "temporary file left behind";
}

// A link stays a link and its target takes the new content; a read-only file (its write bits
// cleared, which stops root too) and a loop of links are left as they are.
TEST_F(SettingsStoreTest, WritesFollowLinksAndSpareReadOnlyFiles) {
    struct Case {
        const char* name;
        std::vector<std::pair<fs::path, fs::path>> links;  // link in folder_, what it holds
        bool readOnly;
        bool written;
    };
    const fs::path real = folder_ / "real" / "settings.ini";
    const Case cases[] = {
        {"relative link", {{"tessel.ini", "real/settings.ini"}}, false, true},
        {"chain of links", {{"tessel.ini", "mid.ini"}, {"mid.ini", real}}, false, true},
        {"read-only file", {}, true, false},
        {"link to a read-only file", {{"tessel.ini", "real/settings.ini"}}, true, false},
        {"loop of links", {{"tessel.ini", "loop.ini"}, {"loop.ini", "tessel.ini"}}, false, false}};
    const std::string before = "[config]\r\npar_Range=5\r\n";
    for (const auto& c : cases) {
        fs::remove_all(folder_);
        fs::create_directories(real.parent_path());
        const fs::path target = c.links.empty() ? File() : real;
        std::ofstream(target, std::ios::binary) << before;
        for (const auto& [link, to] : c.links) {
            fs::create_symlink(to, folder_ / link);
        }
        if (c.readOnly) {
            fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
        }
        EXPECT_EQ(SettingsStore(File()).WriteInt("config", "par_Range", 6), c.written) << c.name;
        EXPECT_EQ(Read(target), c.written ? "[config]\r\npar_Range=6\r\n" : before) << c.name;
        for (const auto& [link, to] : c.links) {
            EXPECT_EQ(fs::read_symlink(folder_ / link), to) << c.name;
        }
        EXPECT_EQ(FolderEntries(), 1 + std::max<long>(1, std::ssize(c.links))) << c.name;
    }
}

// Root writes into any folder that exists, so the executable folder that cannot be written
// here is one that cannot be created: it would lie under a regular file.
TEST_F(SettingsStoreTest, SettingsStayBesideTheExecutableWhileItsFolderCanBeWritten) {
    Write("");
    const fs::path config = folder_ / "config" / "tessel";
    const std::tuple<fs::path, fs::path, fs::path> cases[] = {
        {folder_, config, folder_},
        {File() / "bin", config, config},
        {File() / "bin", File() / "tessel", File() / "tessel"},  // writes fail later
        {File() / "bin", "", File() / "bin"}};
    for (const auto& [executable, user, expected] : cases) {
        EXPECT_EQ(ChooseSettingsFolder(executable, user), expected) << executable << " " << user;
    }
    EXPECT_EQ(fs::status(config).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(config.parent_path()).permissions(), fs::perms::owner_all);
    const std::tuple<const char*, const char*, fs::path> homes[] = {
        {"/x/cfg", "/home/u", "/x/cfg/tessel"},
        {"x/cfg", "/home/u", "/home/u/.config/tessel"},  // a relative folder is ignored
        {nullptr, "/home/u", "/home/u/.config/tessel"},
        {nullptr, nullptr, ""}};
    for (const auto& [xdg, home, expected] : homes) {
        EXPECT_EQ(UserConfigFolder(xdg, home), expected) << (xdg ? xdg : "unset");
    }
}

TEST_F(SettingsStoreTest, PathsLongerThan260CharactersWork) {
    const fs::path deep = folder_ / std::string(150, 'a') / std::string(150, 'b');
    fs::create_directories(deep);
    SettingsStore store(deep / "tessel.ini");
    EXPECT_TRUE(store.WriteString("device", "PathDef", deep.string()));
    EXPECT_EQ(store.ReadString("device", "PathDef", ""), deep.string());
}

// Two stores on one file have separate locks, so the reader sees only whole files.
TEST_F(SettingsStoreTest, ConcurrentReadsAndWritesLoseNothingAndNeverTear) {
    constexpr int kWriters = 4;
    constexpr int kRounds = 30;
    SettingsStore store(File());
    ASSERT_TRUE(store.WriteString("config", "DerPath", "/fixed.syx"));
    const SettingsStore otherReader(File());
    std::atomic<bool> torn{false};
    std::atomic<bool> writersDone{false};
    std::thread reader([&] {
        while (!writersDone) {
            torn = torn || otherReader.ReadString("config", "DerPath", "") != "/fixed.syx" ||
                   store.ReadString("config", "DerPath", "") != "/fixed.syx";
        }
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&store, w] {
            for (int round = 0; round < kRounds; ++round) {
                store.WriteInt("device", "w" + std::to_string(w * 1000 + round), round);
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    writersDone = true;
    reader.join();
    EXPECT_FALSE(torn);
    for (int w = 0; w < kWriters; ++w) {
        for (int round = 0; round < kRounds; ++round) {
            EXPECT_EQ(store.ReadInt("device", "w" + std::to_string(w * 1000 + round), -1), round);
        }
    }
    EXPECT_EQ(FolderEntries(), 1);
}

}  // namespace
}  // namespace tessel
