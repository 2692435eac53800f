#pragma once
// First start of a fresh build: a settings file that points both MIDI ports at the built-in
// virtual instrument and the library at a demo folder holding the instrument's own bank.
#include <filesystem>
#include <string>

#include "core/settings/SettingsFolder.h"

namespace tessel::first_run {

inline constexpr char kDemoFolderName[] = "demo-library";
inline constexpr char kDemoFileName[] = "Virtual JD-800 demo.syx";

enum class Outcome { Written, AlreadyConfigured, Failed };

struct Result {
    Outcome outcome;
    std::string detail;  // what failed, for the console
};

// Writes the demo dump (unless a file of that name is there) and then tessel.ini, both in the
// folder the program keeps its settings in: BINFOLDER when it can be written, else
// `userConfigFolder`. An existing tessel.ini is never touched, and nothing else is written then.
Result SetUp(const std::filesystem::path& binFolder,
             const std::filesystem::path& userConfigFolder = UserConfigFolder());

}  // namespace tessel::first_run
