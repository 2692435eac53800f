#include "core/files/ReplaceFile.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "core/files/FileSteps.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using namespace files;

constexpr int kNameAttempts = 8;
constexpr int kMaxLinkHops = 40;  // as the kernel's own limit for a chain of links

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

// The file a chain of symbolic links ends in (it may not exist yet), so that the link itself
// stays and its target is replaced; nothing for a chain that loops.
std::optional<fs::path> ResolveLinks(fs::path path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) {
            return path;
        }
        const fs::path next = fs::read_symlink(path, error);
        if (error) {
            return std::nullopt;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return std::nullopt;
}

bool IsWritable(const fs::path& file) {
#if defined(_WIN32)
    return _waccess(file.c_str(), 2) == 0;
#else
    return ::access(file.c_str(), W_OK) == 0;
#endif
}

// An existing file its owner has marked read-only is not replaced. The rename would succeed
// where writing to the file would not, and root may write anything, so the file's own write
// bits decide as well as access().
bool IsReadOnly(const fs::path& file) {
    std::error_code error;
    const auto status = fs::status(file, error);
    if (error || !fs::exists(status)) {
        return false;
    }
    constexpr auto kAnyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (status.permissions() & kAnyWrite) == fs::perms::none || !IsWritable(file);
}

bool ReplaceResolved(const fs::path& target, std::string_view content, std::error_code& error) {
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

}  // namespace

bool ReplaceFileContent(const fs::path& target, std::string_view content) {
    std::error_code error;
    return ReplaceFileContent(target, content, error);
}

bool ReplaceFileContent(const fs::path& target, std::string_view content, std::error_code& error) {
    error.clear();
    const auto resolved = ResolveLinks(target);
    if (!resolved) {
        error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
        return false;
    }
    if (IsReadOnly(*resolved)) {
        error = std::make_error_code(std::errc::permission_denied);
        return false;
    }
    return ReplaceResolved(*resolved, content, error);
}

}  // namespace tessel
