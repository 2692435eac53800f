#include "core/settings/SettingsFolder.h"

#include <cstdlib>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tessel {
namespace {

namespace fs = std::filesystem;

bool CanCreateFilesIn(const fs::path& folder) {
    const fs::path checked = folder.empty() ? fs::path("/") : folder;
    std::error_code error;
    if (!fs::is_directory(checked, error)) {
        return false;
    }
#if defined(_WIN32)
    return _waccess(checked.c_str(), 2) == 0;
#else
    return ::access(checked.c_str(), W_OK | X_OK) == 0;
#endif
}

// Creates the folder and its missing parents, each open to the user only (0700).
void CreatePrivateFolders(const fs::path& folder) {
    std::error_code error;
    if (folder.empty() || fs::exists(folder, error)) {
        return;
    }
    if (folder.has_relative_path()) {
        CreatePrivateFolders(folder.parent_path());
    }
    if (fs::create_directory(folder, error)) {
        fs::permissions(folder, fs::perms::owner_all, error);
    }
}

}  // namespace

fs::path UserConfigFolder(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome != nullptr && fs::path(xdgConfigHome).is_absolute()) {
        return fs::path(xdgConfigHome) / "tessel";
    }
    if (home != nullptr && *home != '\0') {
        return fs::path(home) / ".config" / "tessel";
    }
    return {};
}

fs::path UserConfigFolder() {
    return UserConfigFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

fs::path ChooseSettingsFolder(const fs::path& executableFolder, const fs::path& userConfigFolder) {
    if (CanCreateFilesIn(executableFolder) || userConfigFolder.empty()) {
        return executableFolder;
    }
    CreatePrivateFolders(userConfigFolder);
    return userConfigFolder;
}

}  // namespace tessel
