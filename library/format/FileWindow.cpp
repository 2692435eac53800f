#include "library/format/FileWindow.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tessel::format {

FileWindow::FileWindow(const std::filesystem::path& path, std::size_t chunkSize)
    : chunkSize_(std::max<std::size_t>(chunkSize, 1)) {
    do {
        descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (descriptor_ < 0 && errno == EINTR);
    if (descriptor_ < 0) {
        error_ = std::error_code(errno, std::generic_category());
    }
}

FileWindow::~FileWindow() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
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
    return {buffer_.get(), buffered_};
}

// Keeps the buffered bytes at and after offset, so that walking forward never reads twice.
void FileWindow::MoveTo(std::uint64_t offset) {
    const bool inside = offset >= bufferOffset_ && offset - bufferOffset_ <= buffered_;
    if (!inside) {
        bufferOffset_ = offset;
        buffered_ = 0;
        return;
    }
    const auto dropped = static_cast<std::size_t>(offset - bufferOffset_);
    if (dropped > 0) {
        std::memmove(buffer_.get(), buffer_.get() + dropped, buffered_ - dropped);
        buffered_ -= dropped;
        bufferOffset_ = offset;
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

void FileWindow::ReadAtLeast(std::size_t minBytes) {
    if (buffered_ >= minBytes) {
        return;
    }
    Reserve(std::max(chunkSize_, minBytes));
    while (buffered_ < minBytes && bufferOffset_ + buffered_ < endOffset_) {
        const std::size_t room = capacity_ - buffered_;
        const ssize_t got = ::pread(descriptor_, buffer_.get() + buffered_, room,
                                    static_cast<off_t>(bufferOffset_ + buffered_));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error_ = std::error_code(errno, std::generic_category());
            return;
        }
        if (got == 0) {
            endOffset_ = bufferOffset_ + buffered_;
            return;
        }
        buffered_ += static_cast<std::size_t>(got);
    }
}

}  // namespace tessel::format
