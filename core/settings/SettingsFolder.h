#pragma once
// Where "tessel.ini" and "custom.dat" live: beside the executable while its folder can be
// written (a build folder, a portable copy), else in the user's configuration folder (an
// installed program).
#include <filesystem>
#include <string_view>

namespace tessel {

inline constexpr char kSettingsFileName[] = "tessel.ini";

// "$XDG_CONFIG_HOME/tessel" when that variable holds an absolute path, else
// "$HOME/.config/tessel"; empty when neither is usable. Null stands for an unset variable.
std::filesystem::path UserConfigFolder(const char* xdgConfigHome, const char* home);
// The same, from this process's environment.
std::filesystem::path UserConfigFolder();

// `executableFolder` when a file can be created in it (an empty folder stands for the root,
// as the settings path is then "/tessel.ini"); else `userConfigFolder`, created with its
// missing parents, private to the user, when needed; `executableFolder` again when there is
// no user folder to go to. Writes to a folder that cannot be made simply fail later, as every
// settings write may.
std::filesystem::path ChooseSettingsFolder(const std::filesystem::path& executableFolder,
                                           const std::filesystem::path& userConfigFolder);

}  // namespace tessel
