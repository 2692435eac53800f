#include "transfers/ReceiveFile.h"

#include <cerrno>
#include <system_error>

#include "core/files/FileSteps.h"

namespace tessel::transfers {
namespace {

namespace fs = std::filesystem;
using namespace files;

constexpr int kNameAttempts = 8;

std::string ErrnoText() {
    return std::generic_category().message(errno);
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

// "x": a file that did not exist before, never another's.
std::FILE* CreateTemporary(const fs::path& target, fs::path& temporary, std::string& reason) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temporary = TemporarySibling(target);
        if (std::FILE* file = CreateExclusive(temporary)) {
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
