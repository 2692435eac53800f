#pragma once
// Dump files made by code for the format and tool tests.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "library/format/RolandMessage.h"

namespace tessel::format::test {

using Records = std::array<PatchRecord, kPatchCount>;

// Records whose bytes tell them apart: record i holds (i + position) % 128 after its name.
inline Records DistinctRecords() {
    Records records{};
    for (std::size_t i = 0; i < records.size(); ++i) {
        for (std::size_t b = 0; b < kPatchRecordSize; ++b) {
            records[i][b] = static_cast<std::uint8_t>((i + b) % 128);
        }
        const std::string name = "PATCH " + std::to_string(i);
        std::fill_n(records[i].begin(), kPatchNameSize, ' ');
        std::copy(name.begin(), name.end(), records[i].begin());
    }
    return records;
}

inline void SetName(PatchRecord& record, std::string_view name16) {
    std::fill_n(record.begin(), kPatchNameSize, ' ');
    std::copy_n(name16.begin(), std::min(name16.size(), kPatchNameSize), record.begin());
}

inline Bytes DumpBytes(const Records& records, std::uint8_t device = kDefaultDeviceByte) {
    Bytes bytes;
    for (const Bytes& message : BuildPatchMemoryDump(device, records)) {
        bytes.insert(bytes.end(), message.begin(), message.end());
    }
    return bytes;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

inline Bytes Head(const Bytes& bytes, std::size_t size) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("tessel-format-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    std::filesystem::path Write(const std::string& name, const Bytes& bytes) const {
        const auto file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::filesystem::path path_;
};

}  // namespace tessel::format::test
