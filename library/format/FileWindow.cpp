#include "library/format/FileWindow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace tessel::format {

namespace {

class FileKind : public std::error_category {
public:
    const char* name() const noexcept override { return "tessel file kind"; }
    std::string message(int) const override { return "not a regular file"; }
};

// One buffer per thread, lent to one window at a time: a search over thousands of files
// then allocates nothing per file.
struct SpareBuffer {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t capacity = 0;
};
thread_local SpareBuffer spare;
constexpr std::size_t kLargestKept = 4 * kDefaultChunkSize;

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

}  // namespace

const std::error_category& FileKindCategory() {
    static const FileKind category;
    return category;
}

FileWindow::FileWindow(const std::filesystem::path& path, std::size_t chunkSize)
    : chunkSize_(std::max<std::size_t>(chunkSize, 1)) {
    buffer_ = std::move(spare.bytes);
    capacity_ = std::exchange(spare.capacity, 0);
    Open(path);
}

FileWindow::~FileWindow() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
    if (capacity_ <= kLargestKept && capacity_ > spare.capacity) {
        spare.bytes = std::move(buffer_);
        spare.capacity = capacity_;
    }
}

// Non-blocking, so that opening a pipe cannot wait for a writer; reads of a regular file
// are not affected by it.
void FileWindow::Open(const std::filesystem::path& path) {
    do {
        descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (descriptor_ < 0 && errno == EINTR);
    if (descriptor_ < 0) {
        error_ = LastError();
        return;
    }
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) {
        error_ = LastError();
    } else if (S_ISDIR(status.st_mode)) {
        error_ = std::make_error_code(std::errc::is_a_directory);
    } else if (!S_ISREG(status.st_mode)) {
        error_ = std::error_code(1, FileKindCategory());
    } else {
        endOffset_ = static_cast<std::uint64_t>(status.st_size);
    }
}

std::span<const std::uint8_t> FileWindow::From(std::uint64_t offset, std::size_t minBytes) {
    if (error_ || offset >= endOffset_) {
        return {};
    }
    MoveTo(offset);
    ReadAtLeast(minBytes);
    if (error_) {
        return {};
    }
    const std::size_t skipped = cursor_ - bufferOffset_;
    return {buffer_.get() + skipped, buffered_ - skipped};
}

// Keeps the buffered bytes at and after offset, so that walking forward never reads twice;
// the bytes before it are dropped only when more must be read.
void FileWindow::MoveTo(std::uint64_t offset) {
    const bool inside = offset >= bufferOffset_ && offset - bufferOffset_ <= buffered_;
    if (!inside) {
        bufferOffset_ = offset;
        buffered_ = 0;
    }
    cursor_ = offset;
}

void FileWindow::DropBeforeCursor() {
    const auto dropped = static_cast<std::size_t>(cursor_ - bufferOffset_);
    if (dropped > 0) {
        std::memmove(buffer_.get(), buffer_.get() + dropped, buffered_ - dropped);
        buffered_ -= dropped;
        bufferOffset_ = cursor_;
    }
}

void FileWindow::Reserve(std::size_t capacity) {
    if (capacity <= capacity_) {
        return;
    }
    auto larger = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    if (buffered_ > 0) {
        std::memcpy(larger.get(), buffer_.get(), buffered_);
    }
    buffer_ = std::move(larger);
    capacity_ = capacity;
}

// Reads up to the size the file had when opened: a file that grows meanwhile is read as it
// was, one that shrinks ends where a read finds nothing more.
void FileWindow::ReadAtLeast(std::size_t minBytes) {
    const bool atTheEnd = bufferOffset_ + buffered_ >= endOffset_;
    if (atTheEnd || buffered_ - static_cast<std::size_t>(cursor_ - bufferOffset_) >= minBytes) {
        return;
    }
    DropBeforeCursor();
    Reserve(std::max(chunkSize_, minBytes));
    while (buffered_ < minBytes && bufferOffset_ + buffered_ < endOffset_) {
        const std::uint64_t position = bufferOffset_ + buffered_;
        const std::size_t asked = std::max(chunkSize_, minBytes - buffered_);
        const auto room = static_cast<std::size_t>(
            std::min<std::uint64_t>(std::min(capacity_ - buffered_, asked), endOffset_ - position));
        const ssize_t got =
            ::pread(descriptor_, buffer_.get() + buffered_, room, static_cast<off_t>(position));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error_ = LastError();
            return;
        }
        if (got == 0) {
            endOffset_ = position;
            return;
        }
        buffered_ += static_cast<std::size_t>(got);
    }
}

}  // namespace tessel::format
