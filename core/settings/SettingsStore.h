#pragma once
// Keyed values in "tessel.ini": [section] header lines and key=value lines, values written
// unquoted and read without a pair of enclosing quotes. Sections and keys are matched without
// regard to case and written exactly as given; every other line of the file is kept. One lock
// is held around each operation, and each write replaces the file atomically (temporary file
// in the same folder, then rename; a symbolic link keeps leading to the new file, and a
// read-only file is not written).
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace tessel {

class SettingsStore {
public:
    explicit SettingsStore(std::filesystem::path file);

    // Optional sign and leading decimal digits; no digits reads 0; default when missing.
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const;
    // The value as written, cut at 4095 characters; default when missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Callers may ignore the result: false only when the file could not be replaced.
    bool WriteInt(std::string_view section, std::string_view key, int value);
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

    const std::filesystem::path& Path() const { return file_; }

private:
    std::filesystem::path file_;
    mutable std::mutex lock_;
};

}  // namespace tessel
