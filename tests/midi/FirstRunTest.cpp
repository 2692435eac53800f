// tessel-first-run: a fresh folder gets settings for the virtual instrument and the demo
// library; a folder that has settings keeps them untouched and gets nothing else.
#include <unistd.h>

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

TEST(FirstRun, WritesSettingsAndTheDemoLibraryOnlyWhereNoSettingsAre) {
    const fs::path folder =
        fs::temp_directory_path() / ("tessel-first-run-" + std::to_string(getpid()));
    const fs::path settings = folder / "tessel.ini";
    const fs::path demo = folder / "demo-library" / "Virtual JD-800 demo.syx";
    const std::string mine = "[Device]\nmidiout=My Cable\n; mine\n";
    const auto dump = midi::DemoBankDump();
    // Whether tessel.ini and the demo file are there before; the outcome; the demo file after.
    const std::tuple<bool, bool, Outcome, std::string> cases[] = {
        {false, false, Outcome::Written, std::string(dump.begin(), dump.end())},
        {true, false, Outcome::AlreadyConfigured, ""},
        {true, true, Outcome::AlreadyConfigured, mine},
        {false, true, Outcome::Written, mine},
    };
    for (const auto& [haveSettings, haveDemo, outcome, demoAfter] : cases) {
        SCOPED_TRACE(testing::Message() << haveSettings << haveDemo);
        fs::remove_all(folder);
        fs::create_directories(folder);
        if (haveSettings) {
            std::ofstream(settings, std::ios::binary) << mine;
        }
        if (haveDemo) {
            fs::create_directories(demo.parent_path());
            std::ofstream(demo, std::ios::binary) << mine;
        }
        EXPECT_EQ(first_run::SetUp(folder).outcome, outcome);
        EXPECT_EQ(ReadAll(demo), demoAfter);
        if (haveSettings) {
            EXPECT_EQ(ReadAll(settings), mine);
            continue;
        }
        SettingsStore store(settings);
        const auto read = [&store](const char* key) { return store.ReadString("device", key, ""); };
        EXPECT_EQ(read("MidiIn") + "|" + read("MidiOut") + "|" + read("MidiChanel") + "|" +
                      read("MidiID"),
                  "Tessel Virtual JD-800|Tessel Virtual JD-800|1|17");
        const fs::path library = read("PathDef");
        EXPECT_TRUE(library.is_absolute() && fs::equivalent(library, demo.parent_path()));
        EXPECT_EQ(std::distance(fs::directory_iterator(demo.parent_path()), {}), 1);
    }
    EXPECT_EQ(first_run::SetUp(folder / "missing").outcome, Outcome::Failed);
    EXPECT_FALSE(fs::exists(folder / "missing"));
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tessel::first_run
