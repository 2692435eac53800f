#include "core/settings/SettingsStore.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "core/files/ReplaceFile.h"
#include "core/settings/IniDocument.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxStringLength = 4095;

// The file's content; empty when there is no file yet; nothing when a file is there but
// cannot be read (a write must then not replace it with a file that lacks its lines).
std::optional<std::string> LoadContent(const fs::path& file) {
    std::error_code error;
    const auto status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found) {
        return std::string();
    }
    if (error || status.type() != fs::file_type::regular) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return std::move(content).str();
}

std::optional<std::string> LoadValue(const fs::path& file, std::string_view section,
                                     std::string_view key) {
    const auto content = LoadContent(file);
    if (!content) {
        return std::nullopt;
    }
    return ini::IniDocument::Parse(*content).Find(section, key);
}

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Cuts at kMaxStringLength bytes without leaving half of a UTF-8 sequence at the end.
void CutToMaxLength(std::string& value) {
    if (value.size() <= kMaxStringLength) {
        return;
    }
    std::size_t cut = kMaxStringLength;
    for (int back = 0; back < 3 && cut > 0 && IsUtf8Continuation(value[cut]); ++back) {
        --cut;
    }
    if (IsUtf8Continuation(value[cut])) {
        cut = kMaxStringLength;  // not UTF-8 after all: cut at the plain length
    }
    value.resize(cut);
}

// An optional sign and the decimal digits that follow it; no digits reads 0. Values beyond
// the range of int are held at its limits.
int ParseLeadingInt(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        magnitude = std::min<long long>(magnitude * 10 + (c - '0'), 1LL + INT_MAX);
    }
    const long long value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

SettingsStore::SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

int SettingsStore::ReadInt(std::string_view section, std::string_view key, int defaultValue) const {
    std::lock_guard guard(lock_);
    const auto value = LoadValue(file_, section, key);
    return value ? ParseLeadingInt(*value) : defaultValue;
}

std::string SettingsStore::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) const {
    std::lock_guard guard(lock_);
    auto value = LoadValue(file_, section, key);
    if (!value) {
        return std::string(defaultValue);
    }
    CutToMaxLength(*value);
    return std::move(*value);
}

bool SettingsStore::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool SettingsStore::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
    if (!ini::IsWritableSection(section) || !ini::IsWritableKey(key) ||
        !ini::IsWritableValue(value)) {
        return false;
    }
    std::lock_guard guard(lock_);
    const auto content = LoadContent(file_);
    if (!content) {
        return false;
    }
    auto document = ini::IniDocument::Parse(*content);
    document.Set(section, key, value);
    return ReplaceFileContent(file_, document.Serialize());
}

}  // namespace tessel
