#pragma once
// Byte sources for the dump readers. The readers ask for "the bytes from offset on, at least
// n of them unless the source ends first"; a file answers from one buffer that it refills
// in large chunks, so a whole dump (25,536 bytes) costs one read, and a large or odd file is
// walked through in bounded memory.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <system_error>

namespace tessel::format {

inline constexpr std::size_t kDefaultChunkSize = 64 * 1024;

// A byte array already in memory.
class MemoryWindow {
public:
    explicit MemoryWindow(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::span<const std::uint8_t> From(std::uint64_t offset, std::size_t /*minBytes*/) const {
        return offset >= bytes_.size() ? std::span<const std::uint8_t>{}
                                       : bytes_.subspan(static_cast<std::size_t>(offset));
    }
    std::uint64_t Size() const { return bytes_.size(); }
    std::error_code Error() const { return {}; }

private:
    std::span<const std::uint8_t> bytes_;
};

// "not a regular file": a folder, a pipe or a device named like a dump is not read, so that
// nothing waits on a pipe or reads a device without end.
const std::error_category& FileKindCategory();

// A regular file opened read-only for the lifetime of the object (one operation) and read
// with positioned reads up to the size it had when opened. After a failure every request
// gives no bytes and Error() says why.
class FileWindow {
public:
    explicit FileWindow(const std::filesystem::path& path,
                        std::size_t chunkSize = kDefaultChunkSize);
    ~FileWindow();
    FileWindow(const FileWindow&) = delete;
    FileWindow& operator=(const FileWindow&) = delete;

    // The bytes from offset on; fewer than minBytes only at the end of the file or on failure.
    // The span stays valid until the next call.
    std::span<const std::uint8_t> From(std::uint64_t offset, std::size_t minBytes);
    // The size the file had when opened, or where a read met its end.
    std::uint64_t Size() const { return endOffset_; }
    std::error_code Error() const { return error_; }

private:
    void Open(const std::filesystem::path& path);
    void MoveTo(std::uint64_t offset);
    void DropBeforeCursor();
    void Reserve(std::size_t capacity);
    void ReadAtLeast(std::size_t minBytes);

    int descriptor_ = -1;
    std::size_t chunkSize_;
    std::unique_ptr<std::uint8_t[]> buffer_;  // left uninitialised: only read bytes are used
    std::size_t capacity_ = 0;
    std::uint64_t bufferOffset_ = 0;  // file offset of buffer_[0]
    std::uint64_t cursor_ = 0;        // the offset asked for last, within the buffer
    std::size_t buffered_ = 0;        // valid bytes in buffer_
    std::uint64_t endOffset_ = 0;     // the file's size, or where a read met its end
    std::error_code error_;
};

}  // namespace tessel::format
