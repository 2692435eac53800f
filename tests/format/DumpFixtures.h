#pragma once
// Dump files made by code for the format, tool, list and window tests.
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "library/format/RolandMessage.h"

namespace tessel::format::test {

using Records = std::array<PatchRecord, kPatchCount>;

// The name blank-filled (or cut) to 16 bytes, as stored.
inline void SetName(PatchRecord& record, std::string_view name) {
    std::fill_n(record.begin(), kPatchNameSize, ' ');
    std::copy_n(name.begin(), std::min(name.size(), kPatchNameSize), record.begin());
}

// Record i is named "PATCH i" and holds (i + position) % 128 after its name.
inline Records DistinctRecords() {
    Records records{};
    for (std::size_t i = 0; i < records.size(); ++i) {
        for (std::size_t b = 0; b < kPatchRecordSize; ++b) {
            records[i][b] = static_cast<std::uint8_t>((i + b) % 128);
        }
        SetName(records[i], "PATCH " + std::to_string(i));
    }
    return records;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

inline Bytes DumpBytes(const Records& records, std::uint8_t device = kDefaultDeviceByte) {
    return BuildPatchMemoryDumpFile(device, records);
}

inline Bytes Head(const Bytes& bytes, std::size_t size) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "tessel-format-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), pattern);
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    std::filesystem::path Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(path_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

}  // namespace tessel::format::test
