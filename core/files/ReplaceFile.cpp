#include "core/files/ReplaceFile.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tessel {
namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 8;

fs::path TemporarySibling(const fs::path& target) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::random_device random;
    std::string tag;
    for (int i = 0; i < 12; ++i) {
        tag += kHex[random() % 16];
    }
    return target.parent_path() / ("." + target.filename().string() + "." + tag + ".tmp");
}

// Opens a file that did not exist before ("x": fail rather than reuse another's file).
std::FILE* CreateExclusive(const fs::path& path) {
#if defined(_WIN32)
    return _wfopen(path.c_str(), L"wbx");
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

bool SyncToDisk(std::FILE* file) {
#if defined(_WIN32)
    return _commit(_fileno(file)) == 0;
#else
    return ::fsync(fileno(file)) == 0;
#endif
}

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

// The first failure's reason wins: a full disk reported by the write, not by the close.
bool WriteAndClose(std::FILE* file, std::string_view content, std::error_code& error) {
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
                         std::fflush(file) == 0 && SyncToDisk(file);
    if (!written) {
        error = LastError();
    }
    const bool closed = std::fclose(file) == 0;
    if (written && !closed) {
        error = LastError();
    }
    return written && closed;
}

void KeepPermissionsOf(const fs::path& target, const fs::path& temporary) {
    std::error_code error;
    const auto status = fs::status(target, error);
    if (!error && fs::exists(status)) {
        fs::permissions(temporary, status.permissions(), error);
    }
}

}  // namespace

bool ReplaceFileContent(const fs::path& target, std::string_view content) {
    std::error_code error;
    return ReplaceFileContent(target, content, error);
}

bool ReplaceFileContent(const fs::path& target, std::string_view content, std::error_code& error) {
    error.clear();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path temporary = TemporarySibling(target);
        std::FILE* file = CreateExclusive(temporary);
        if (file == nullptr) {
            error = LastError();
            std::error_code ignored;
            if (error == std::errc::file_exists || fs::exists(temporary, ignored)) {
                continue;  // name taken: try another
            }
            return false;  // folder missing or not writable
        }
        if (WriteAndClose(file, content, error)) {
            KeepPermissionsOf(target, temporary);
            fs::rename(temporary, target, error);
            if (!error) {
                return true;
            }
        }
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return false;
}

}  // namespace tessel
