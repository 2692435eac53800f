// tessel-first-run: a fresh folder gets settings for the virtual instrument and the demo
// library; a folder that has settings keeps them untouched.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "core/settings/SettingsStore.h"
#include "midi/virtual/DemoBank.h"
#include "tools/tessel-first-run/FirstRun.h"

namespace tessel::first_run {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct FirstRun : ::testing::Test {
    void SetUp() override { fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }
    const fs::path folder =
        fs::temp_directory_path() /
        ("tessel-first-run-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    const fs::path settings = folder / "tessel.ini";
    const fs::path demo = folder / "demo-library" / "Virtual JD-800 demo.syx";
};

TEST_F(FirstRun, WritesSettingsForTheVirtualInstrumentAndTheDemoLibrary) {
    ASSERT_EQ(first_run::SetUp(folder).outcome, Outcome::Written);
    SettingsStore store(settings);
    EXPECT_EQ(store.ReadString("device", "MidiIn", ""), "Tessel Virtual JD-800");
    EXPECT_EQ(store.ReadString("device", "MidiOut", ""), "Tessel Virtual JD-800");
    EXPECT_EQ(store.ReadInt("device", "MidiChanel", 0), 1);
    EXPECT_EQ(store.ReadInt("device", "MidiID", 0), 17);
    const fs::path library = store.ReadString("device", "PathDef", "");
    EXPECT_TRUE(library.is_absolute());
    EXPECT_TRUE(fs::equivalent(library, demo.parent_path()));
    const auto expected = midi::DemoBankDump();
    EXPECT_EQ(ReadAll(demo), std::string(expected.begin(), expected.end()));
    EXPECT_EQ(std::distance(fs::directory_iterator(library), fs::directory_iterator()), 1);
}

TEST_F(FirstRun, LeavesExistingFilesAloneAndFailsWithoutAFolder) {
    const std::tuple<bool, bool, Outcome> cases[] = {
        {true, false, Outcome::AlreadyConfigured},
        {true, true, Outcome::AlreadyConfigured},
        {false, true, Outcome::Written},
    };
    const std::string mine = "[Device]\nmidiout=My Cable\n; mine\n";
    for (const auto& [haveSettings, haveDemo, outcome] : cases) {
        fs::remove_all(folder);
        fs::create_directories(demo.parent_path());
        if (haveSettings) {
            std::ofstream(settings, std::ios::binary) << mine;
        }
        if (haveDemo) {
            std::ofstream(demo, std::ios::binary) << mine;
        }
        EXPECT_EQ(first_run::SetUp(folder).outcome, outcome) << haveSettings << haveDemo;
        EXPECT_EQ(ReadAll(demo), haveDemo ? mine : "") << haveSettings << haveDemo;
        if (haveSettings) {
            EXPECT_EQ(ReadAll(settings), mine);
        }
    }
    EXPECT_EQ(first_run::SetUp(folder / "missing").outcome, Outcome::Failed);
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

}  // namespace
}  // namespace tessel::first_run
