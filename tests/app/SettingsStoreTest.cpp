#include "app/settings/SettingsStore.h"

#include <climits>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "tests/app/TempFolder.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using test::ReadRaw;
using test::TempFolder;
using test::WriteRaw;

class SettingsStoreTest : public ::testing::Test {
protected:
    fs::path File() const { return folder_.Path() / "tessel.ini"; }
    std::vector<fs::path> FolderEntries() const {
        std::vector<fs::path> entries;
        for (const auto& entry : fs::directory_iterator(folder_.Path())) {
            entries.push_back(entry.path().filename());
        }
        return entries;
    }
    TempFolder folder_;
};

TEST_F(SettingsStoreTest, MissingFileGivesEveryDefault) {
    SettingsStore store(File());
    EXPECT_EQ(store.ReadInt("config", "par_Range", 4), 4);
    EXPECT_EQ(store.ReadInt("device", "MidiID", 17), 17);
    EXPECT_EQ(store.ReadString("device", "MidiIn", "<none>"), "<none>");
    EXPECT_EQ(store.ReadString("config", "DerPath", ""), "");
    EXPECT_FALSE(fs::exists(File())) << "reading must not create the file";
}

TEST_F(SettingsStoreTest, FileWithOnlySomeKeysMixesStoredValuesAndDefaults) {
    WriteRaw(File(), "[config]\npar_Velo=90\n[device]\nMidiOut=UM-ONE\n");
    SettingsStore store(File());
    EXPECT_EQ(store.ReadInt("config", "par_Velo", 100), 90);
    EXPECT_EQ(store.ReadInt("config", "par_Tempo", 140), 140);
    EXPECT_EQ(store.ReadString("device", "MidiOut", "<none>"), "UM-ONE");
    EXPECT_EQ(store.ReadString("device", "MidiIn", "<none>"), "<none>");
    EXPECT_EQ(store.ReadString("preview", "MidiOut", "x"), "x") << "key of another section";
}

TEST_F(SettingsStoreTest, HandWrittenWindowsFileReadsAsWritten) {
    WriteRaw(File(),
             "; written by hand\r\n"
             "[Config]\r\n"
             "  derpath = C:\\Synth\\JD800\\Factory A.syx  \r\n"
             "PAR_RANGE=5\r\n"
             "\r\n"
             "[DEVICE]\r\n"
             "PathDef=C:\\Synth\\JD800\r\n"
             "MidiIn=\"quoted\"\r\n"
             "MidiChanel\t=\t3\r\n");
    SettingsStore store(File());
    EXPECT_EQ(store.ReadString("config", "DerPath", ""), "C:\\Synth\\JD800\\Factory A.syx");
    EXPECT_EQ(store.ReadInt("config", "par_Range", 4), 5);
    EXPECT_EQ(store.ReadString("device", "PathDef", ""), "C:\\Synth\\JD800");
    EXPECT_EQ(store.ReadString("device", "MidiIn", ""), "\"quoted\"") << "no unquoting";
    EXPECT_EQ(store.ReadInt("device", "MidiChanel", 1), 3);
}

TEST_F(SettingsStoreTest, LinesThatAreNotEntriesOfTheSectionAreNotRead) {
    WriteRaw(File(),
             "DerPath=before any section\n"
             "[config]\n"
             ";DerPath=commented out\n"
             "DerPath\n"
             "[config]\n"
             "DerPath=second section of the same name\n");
    SettingsStore store(File());
    EXPECT_EQ(store.ReadString("config", "DerPath", "none"), "none");
}

TEST_F(SettingsStoreTest, ReadIntTakesSignAndLeadingDigits) {
    struct Case {
        const char* stored;
        int expected;
    };
    const Case cases[] = {
        {"  -12abc", -12},
        {"+7", 7},
        {"abc", 0},
        {"", 0},
        {"42", 42},
        {"12 34", 12},
        {"- 5", 0},
        {"0x10", 0},
        {"-0", 0},
        {"007", 7},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
    };
    for (const auto& c : cases) {
        WriteRaw(File(), std::string("[config]\npar_Tempo=") + c.stored + "\n");
        SettingsStore store(File());
        EXPECT_EQ(store.ReadInt("config", "par_Tempo", 140), c.expected)
            << "stored \"" << c.stored << "\"";
    }
}

TEST_F(SettingsStoreTest, ReadStringIsCutAt4095Characters) {
    struct Case {
        std::string stored;
        std::string expected;
    };
    const std::string euro = "\xE2\x82\xAC";  // three bytes in UTF-8
    const Case cases[] = {
        {std::string(4095, 'a'), std::string(4095, 'a')},
        {std::string(4096, 'b'), std::string(4095, 'b')},
        {std::string(10000, 'c'), std::string(4095, 'c')},
        {std::string(4094, 'd') + euro, std::string(4094, 'd')},
        {std::string(4092, 'e') + euro + "f", std::string(4092, 'e') + euro},
    };
    for (const auto& c : cases) {
        WriteRaw(File(), "[device]\nPathDef=" + c.stored + "\n");
        SettingsStore store(File());
        EXPECT_EQ(store.ReadString("device", "PathDef", ""), c.expected)
            << "stored " << c.stored.size() << " bytes";
    }
}

TEST_F(SettingsStoreTest, WritesKeepEveryOtherLineAndTheLineEndStyle) {
    struct Case {
        const char* name;
        std::string before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    };
    const Case cases[] = {
        {"new file", "", "config", "par_Range", "4", "[config]\npar_Range=4\n"},
        {"replace value, keep the key's spelling and CRLF",
         "; mine\r\n[Config]\r\nunknown=1\r\nPAR_RANGE = 3\r\n\r\n[device]\r\nMidiID=17\r\n",
         "config", "par_Range", "6",
         "; mine\r\n[Config]\r\nunknown=1\r\nPAR_RANGE =6\r\n\r\n[device]\r\nMidiID=17\r\n"},
        {"add key to a section, before the blank separator",
         "[config]\r\npar_Velo=90\r\n\r\n# note\r\n[device]\r\nPathDef=C:\\x\r\n", "CONFIG",
         "par_Tempo", "120",
         "[config]\r\npar_Velo=90\r\npar_Tempo=120\r\n\r\n# note\r\n[device]\r\nPathDef=C:\\x\r\n"},
        {"add section at the end of a file without final line end", "[config]\npar_Velo=90",
         "device", "MidiIn", "<none>", "[config]\npar_Velo=90\n\n[device]\nMidiIn=<none>\n"},
        {"add key to the last section without final line end", "[device]\r\nMidiIn=a", "device",
         "MidiOut", "b", "[device]\r\nMidiIn=a\r\nMidiOut=b\r\n"},
        {"first of two sections of the same name", "[device]\nA=1\n[device]\nMidiID=5\n", "device",
         "MidiID", "9", "[device]\nA=1\nMidiID=9\n[device]\nMidiID=5\n"},
        {"empty value", "[config]\nDerPath=C:\\a.syx\n", "config", "DerPath", "",
         "[config]\nDerPath=\n"},
        {"byte order mark kept", "\xEF\xBB\xBF[config]\npar_Motif=1\n", "config", "par_Motif", "2",
         "\xEF\xBB\xBF[config]\npar_Motif=2\n"},
    };
    for (const auto& c : cases) {
        WriteRaw(File(), c.before);
        if (c.before.empty()) {
            fs::remove(File());
        }
        SettingsStore store(File());
        EXPECT_TRUE(store.WriteString(c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(ReadRaw(File()), c.after) << c.name;
        EXPECT_EQ(store.ReadString(c.section, c.key, "missing"), c.value) << c.name;
    }
}

TEST_F(SettingsStoreTest, WrittenValuesReadBack) {
    SettingsStore store(File());
    EXPECT_TRUE(store.WriteInt("config", "par_Range", 9));
    EXPECT_TRUE(store.WriteInt("device", "MidiChanel", -3));
    EXPECT_TRUE(store.WriteInt("device", "MidiID", INT_MIN));
    EXPECT_TRUE(store.WriteString("device", "PathDef", "/home/me/JD800 banks"));
    EXPECT_EQ(store.ReadInt("config", "par_Range", 4), 9);
    EXPECT_EQ(store.ReadInt("device", "MidiChanel", 1), -3);
    EXPECT_EQ(store.ReadInt("device", "MidiID", 17), INT_MIN);
    EXPECT_EQ(store.ReadString("device", "PathDef", ""), "/home/me/JD800 banks");
    EXPECT_EQ(ReadRaw(File()),
              "[config]\npar_Range=9\n\n[device]\nMidiChanel=-3\nMidiID=-2147483648\n"
              "PathDef=/home/me/JD800 banks\n");
}

TEST_F(SettingsStoreTest, WriteThatWouldChangeOtherEntriesIsRefused) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"config", "DerPath", "/a\nPathDef=/evil"},
        {"config", "DerPath", "/a\r"},
        {"config", "Der=Path", "x"},
        {"config", "", "x"},
        {"config", "[device]", "x"},
        {"con]fig", "DerPath", "x"},
        {"con\nfig", "DerPath", "x"},
    };
    const std::string before = "[config]\nDerPath=/old\n";
    WriteRaw(File(), before);
    SettingsStore store(File());
    for (const auto& c : cases) {
        EXPECT_FALSE(store.WriteString(c.section, c.key, c.value)) << c.key << "=" << c.value;
        EXPECT_EQ(ReadRaw(File()), before);
    }
}

TEST_F(SettingsStoreTest, FailedWriteLeavesNoTraceAndReportsFalse) {
    const fs::path noFolder = folder_.Path() / "missing" / "tessel.ini";
    EXPECT_FALSE(SettingsStore(noFolder).WriteInt("config", "par_Range", 4));
    EXPECT_FALSE(fs::exists(noFolder.parent_path()));

    fs::create_directory(File());
    WriteRaw(File() / "inside", "kept");
    SettingsStore store(File());
    EXPECT_FALSE(store.WriteInt("config", "par_Range", 4));
    EXPECT_EQ(store.ReadInt("config", "par_Range", 4), 4);
    EXPECT_EQ(ReadRaw(File() / "inside"), "kept");
    EXPECT_EQ(FolderEntries(), std::vector<fs::path>{"tessel.ini"});
}

// Writes beyond the file size limit fail (EFBIG) even for root, which a read-only folder
// would not do; the replacement then cannot be written and the old file must stay whole.
TEST_F(SettingsStoreTest, OldFileStaysWholeWhenReplacementCannotBeWritten) {
    const std::string before = "[config]\r\npar_Range=5\r\n; comment\r\n";
    WriteRaw(File(), before);
    SettingsStore store(File());

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written = store.WriteString("device", "PathDef", std::string(200 * 1024, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadRaw(File()), before);
    EXPECT_EQ(FolderEntries(), std::vector<fs::path>{"tessel.ini"}) << "temporary file left";
}

TEST_F(SettingsStoreTest, PathsLongerThan260CharactersWork) {
    fs::path deep = folder_.Path();
    for (int i = 0; i < 6; ++i) {
        deep /= std::string(60, static_cast<char>('a' + i));
    }
    fs::create_directories(deep);
    SettingsStore store(deep / "tessel.ini");
    ASSERT_GT(store.Path().string().size(), 260u);
    EXPECT_TRUE(store.WriteString("device", "PathDef", deep.string()));
    EXPECT_EQ(store.ReadString("device", "PathDef", ""), deep.string());
}

TEST_F(SettingsStoreTest, ConcurrentReadsAndWritesLoseNothingAndNeverTear) {
    constexpr int kWriters = 4;
    constexpr int kRounds = 40;
    SettingsStore store(File());
    ASSERT_TRUE(store.WriteString("config", "DerPath", "/fixed/path.syx"));
    const SettingsStore otherReader(File());  // has its own lock: sees only whole files

    std::atomic<bool> torn{false};
    std::atomic<bool> writersDone{false};
    std::thread reader([&] {
        while (!writersDone) {
            if (otherReader.ReadString("config", "DerPath", "") != "/fixed/path.syx" ||
                store.ReadString("config", "DerPath", "") != "/fixed/path.syx") {
                torn = true;
            }
        }
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&store, w] {
            for (int round = 0; round < kRounds; ++round) {
                const std::string key = "w" + std::to_string(w) + "k" + std::to_string(round);
                store.WriteInt("device", key, w * 1000 + round);
                store.WriteInt("device", "last" + std::to_string(w), round);
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
        EXPECT_EQ(store.ReadInt("device", "last" + std::to_string(w), -1), kRounds - 1);
        for (int round = 0; round < kRounds; ++round) {
            const std::string key = "w" + std::to_string(w) + "k" + std::to_string(round);
            EXPECT_EQ(store.ReadInt("device", key, -1), w * 1000 + round) << key;
        }
    }
    EXPECT_EQ(FolderEntries(), std::vector<fs::path>{"tessel.ini"});
}

}  // namespace
}  // namespace tessel
