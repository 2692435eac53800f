#include "core/files/FileSteps.h"

#include <random>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tessel::files {

namespace fs = std::filesystem;

std::FILE* OpenFile(const fs::path& path, const char* mode) {
#if defined(_WIN32)
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::FILE* CreateExclusive(const fs::path& path) {
    return OpenFile(path, "wbx");
}

bool SyncToDisk(std::FILE* file) {
#if defined(_WIN32)
    return _commit(_fileno(file)) == 0;
#else
    return ::fsync(fileno(file)) == 0;
#endif
}

fs::path TemporarySibling(const fs::path& target) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::random_device random;
    // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict on "." + std::string.
    std::string name(".");
    name += target.filename().string();
    name += '.';
    for (int i = 0; i < 12; ++i) {
        name += kHex[random() % 16];
    }
    name += ".tmp";
    return target.parent_path() / name;
}

void KeepPermissionsOf(const fs::path& target, const fs::path& temporary) {
    std::error_code error;
    const auto status = fs::status(target, error);
    if (!error && fs::exists(status)) {
        fs::permissions(temporary, status.permissions(), error);
    }
}

}  // namespace tessel::files
