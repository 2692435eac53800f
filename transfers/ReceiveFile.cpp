#include "transfers/ReceiveFile.h"

#include <cerrno>
#include <random>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tessel::transfers {
namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 8;

std::string ErrnoText() {
    return std::generic_category().message(errno);
}

std::FILE* OpenFile(const fs::path& path, const char* mode) {
#if defined(_WIN32)
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

bool SyncToDisk(std::FILE* file) {
#if defined(_WIN32)
    return _commit(_fileno(file)) == 0;
#else
    return ::fsync(fileno(file)) == 0;
#endif
}

// Appending writes nothing and truncates nothing: it only proves the target can be written,
// and makes a new one.
bool TargetWritable(const fs::path& target, std::string& reason) {
    std::FILE* file = OpenFile(target, "ab");
    if (file == nullptr) {
        reason = ErrnoText();
        return false;
    }
    std::fclose(file);
    return true;
}

void KeepPermissionsOf(const fs::path& target, const fs::path& temporary) {
    std::error_code error;
    const auto status = fs::status(target, error);
    if (!error && fs::exists(status)) {
        fs::permissions(temporary, status.permissions(), error);
    }
}

fs::path TemporarySibling(const fs::path& target) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::random_device random;
    std::string tag;
    for (int i = 0; i < 12; ++i) {
        tag += kHex[random() % 16];
    }
    return target.parent_path() / ("." + target.filename().string() + "." + tag + ".tmp");
}

// "x": a file that did not exist before, never another's.
std::FILE* CreateTemporary(const fs::path& target, fs::path& temporary, std::string& reason) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temporary = TemporarySibling(target);
        if (std::FILE* file = OpenFile(temporary, "wbx")) {
            return file;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    reason = ErrnoText();
    return nullptr;
}

}  // namespace

std::unique_ptr<ReceiveFile> ReceiveFile::Create(const fs::path& target, std::string& reason) {
    std::error_code error;
    const bool existed = fs::exists(target, error);
    if (!TargetWritable(target, reason)) {
        return nullptr;
    }
    fs::path temporary;
    std::FILE* file = CreateTemporary(target, temporary, reason);
    if (file == nullptr) {
        if (!existed) {
            fs::remove(target, error);
        }
        return nullptr;
    }
    return std::unique_ptr<ReceiveFile>(new ReceiveFile(target, temporary, file, existed));
}

ReceiveFile::ReceiveFile(fs::path target, fs::path temporary, std::FILE* file, bool targetExisted)
    : target_(std::move(target)),
      temporary_(std::move(temporary)),
      file_(file),
      targetExisted_(targetExisted) {}

ReceiveFile::~ReceiveFile() {
    if (!finished_) {
        std::string ignored;
        Finish(false, ignored);
    }
}

bool ReceiveFile::Append(std::span<const std::uint8_t> bytes, std::string& reason) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
        std::fflush(file_) != 0) {
        reason = ErrnoText();
        return false;
    }
    return true;
}

bool ReceiveFile::CloseTemporary(std::string& reason) {
    const bool synced = std::fflush(file_) == 0 && SyncToDisk(file_);
    if (!synced) {
        reason = ErrnoText();
    }
    const bool closed = std::fclose(file_) == 0;
    if (synced && !closed) {
        reason = ErrnoText();
    }
    file_ = nullptr;
    return synced && closed;
}

bool ReceiveFile::Finish(bool complete, std::string& reason) {
    finished_ = true;
    std::error_code error;
    const bool closed = CloseTemporary(reason);
    if (!complete && targetExisted_) {
        fs::remove(temporary_, error);
        return true;
    }
    if (!closed) {
        fs::remove(temporary_, error);
        return false;
    }
    KeepPermissionsOf(target_, temporary_);
    fs::rename(temporary_, target_, error);
    if (error) {
        reason = error.message();
        fs::remove(temporary_, error);
        return false;
    }
    return true;
}

}  // namespace tessel::transfers
