// tessel-first-run: a fresh folder gets settings for the virtual instrument and the demo
// library; a folder that has settings keeps them untouched.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "app/settings/SettingsStore.h"
#include "midi/virtual/DemoBank.h"
#include "tools/tessel-first-run/FirstRun.h"

namespace tessel::first_run {
namespace {

namespace fs = std::filesystem;

class FirstRun : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("tessel-first-run-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    static std::string ReadAll(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WriteAll(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    fs::path folder_;
};

TEST_F(FirstRun, WritesSettingsForTheVirtualInstrumentAndTheDemoLibrary) {
    ASSERT_EQ(first_run::SetUp(folder_).outcome, Outcome::Written);
    SettingsStore store(folder_ / "tessel.ini");
    EXPECT_EQ(store.ReadString("device", "MidiIn", ""), "Tessel Virtual JD-800");
    EXPECT_EQ(store.ReadString("device", "MidiOut", ""), "Tessel Virtual JD-800");
    EXPECT_EQ(store.ReadInt("device", "MidiChanel", 0), 1);
    EXPECT_EQ(store.ReadInt("device", "MidiID", 0), 17);
    const fs::path library = store.ReadString("device", "PathDef", "");
    EXPECT_TRUE(library.is_absolute());
    EXPECT_TRUE(fs::equivalent(library, folder_ / "demo-library"));
    const auto dump = ReadAll(library / "Virtual JD-800 demo.syx");
    const auto expected = midi::DemoBankDump();
    EXPECT_EQ(dump, std::string(expected.begin(), expected.end()));
    EXPECT_EQ(std::distance(fs::directory_iterator(library), fs::directory_iterator()), 1);
}

TEST_F(FirstRun, LeavesExistingFilesAlone) {
    struct Case {
        const char* name;
        bool haveSettings;
        bool haveDemo;
        Outcome outcome;
    };
    const Case cases[] = {
        {"settings exist", true, false, Outcome::AlreadyConfigured},
        {"settings and demo exist", true, true, Outcome::AlreadyConfigured},
        {"a demo file of that name exists", false, true, Outcome::Written},
    };
    for (const auto& c : cases) {
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "demo-library");
        const std::string settings = "[Device]\nmidiout=My Cable\n; mine\n";
        const std::string demo = "my own file";
        if (c.haveSettings) {
            WriteAll(folder_ / "tessel.ini", settings);
        }
        if (c.haveDemo) {
            WriteAll(folder_ / "demo-library" / "Virtual JD-800 demo.syx", demo);
        }
        EXPECT_EQ(first_run::SetUp(folder_).outcome, c.outcome) << c.name;
        if (c.haveSettings) {
            EXPECT_EQ(ReadAll(folder_ / "tessel.ini"), settings) << c.name;
        }
        if (c.haveDemo) {
            EXPECT_EQ(ReadAll(folder_ / "demo-library" / "Virtual JD-800 demo.syx"), demo)
                << c.name;
        }
    }
}

TEST_F(FirstRun, FailsForAFolderThatIsNotThere) {
    EXPECT_EQ(first_run::SetUp(folder_ / "missing").outcome, Outcome::Failed);
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

}  // namespace
}  // namespace tessel::first_run
