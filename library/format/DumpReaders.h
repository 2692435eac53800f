#pragma once
// The three dump-reading walks, written once over a byte source (MemoryWindow or FileWindow)
// so that the in-memory and file forms give the same answers.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/format/DumpFile.h"
#include "library/format/RolandMessage.h"

namespace tessel::format::detail {

inline constexpr std::size_t kDumpMarkSize = 6;  // F0 41 dd 3D 12 05
inline constexpr std::size_t kFirstNameOffset = 8;
inline constexpr std::size_t kSecondNameOffset = 402;
inline constexpr std::size_t kOddRecordShift = kSecondNameOffset - kFirstNameOffset;
inline constexpr std::size_t kHeaderRest = 7;  // header bytes after an F0

inline bool IsDumpMark(const std::uint8_t* p) {
    return p[0] == kExclusiveStart && p[1] == kRolandId && p[3] == kJd800ModelId &&
           p[4] == kCommandDt1 && p[5] == kPatchMemoryAddress[0];
}

// Position of the first dump mark wholly inside bytes. Every F0 is a candidate of its own,
// so an F0 inside a broken candidate ("F0 F0 41 ...") is still found.
inline std::optional<std::size_t> FindDumpMark(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kDumpMarkSize) {
        return std::nullopt;
    }
    const std::uint8_t* begin = bytes.data();
    const std::uint8_t* last = begin + bytes.size() - kDumpMarkSize;
    for (const std::uint8_t* p = begin; p <= last; ++p) {
        p = static_cast<const std::uint8_t*>(std::memchr(p, kExclusiveStart, last - p + 1));
        if (p == nullptr) {
            return std::nullopt;
        }
        if (IsDumpMark(p)) {
            return static_cast<std::size_t>(p - begin);
        }
    }
    return std::nullopt;
}

template <class Window>
std::optional<std::uint64_t> FindDumpStartIn(Window& window) {
    std::uint64_t position = 0;
    for (;;) {
        const auto bytes = window.From(position, kDumpMarkSize);
        if (const auto found = FindDumpMark(bytes)) {
            return position + *found;
        }
        if (bytes.size() < kDumpMarkSize) {
            return std::nullopt;
        }
        // The last five bytes may begin a mark that the next bytes complete.
        position += bytes.size() - (kDumpMarkSize - 1);
    }
}

// The 16 name bytes cut at the first zero byte; blanks and other bytes kept as stored.
inline std::string_view NameAt(const std::uint8_t* bytes) {
    std::size_t length = 0;
    while (length < kPatchNameSize && bytes[length] != 0) {
        ++length;
    }
    return std::string_view(reinterpret_cast<const char*>(bytes), length);
}

// Calls visit(index, name) for the two names of every whole block after the dump start.
template <class Window, class Visit>
void VisitPatchNamesIn(Window& window, Visit&& visit) {
    const auto start = FindDumpStartIn(window);
    if (!start) {
        return;
    }
    std::uint64_t position = *start;
    int index = 0;
    for (;;) {
        const auto bytes = window.From(position, kPairBlockSize);
        const std::size_t blocks = bytes.size() / kPairBlockSize;
        if (blocks == 0 || blocks > static_cast<std::size_t>(INT_MAX - index) / 2) {
            return;
        }
        for (std::size_t k = 0; k < blocks; ++k, index += 2) {
            const std::uint8_t* block = bytes.data() + k * kPairBlockSize;
            visit(index, NameAt(block + kFirstNameOffset));
            visit(index + 1, NameAt(block + kSecondNameOffset));
        }
        position += blocks * kPairBlockSize;
    }
}

template <class Window>
std::vector<PatchEntry> ReadPatchNamesIn(Window& window) {
    std::vector<PatchEntry> entries;
    entries.reserve(kPatchCount);
    VisitPatchNamesIn(window, [&entries](int index, std::string_view name) {
        entries.push_back({index, std::string(name)});
    });
    return entries;
}

// Collects the data bytes of one record while stepping over message boundaries: an F0 and
// the seven header bytes after it are skipped, and an F7 takes back the byte before it,
// which was the checksum of the message it ends.
class RecordWalk {
public:
    // Consumes bytes until the record is whole; returns how many bytes it used.
    std::size_t Feed(std::span<const std::uint8_t> bytes) {
        std::size_t used = 0;
        while (used < bytes.size() && !Done()) {
            Step(bytes[used++]);
        }
        return used;
    }
    bool Done() const { return collected_ == kPatchRecordSize; }
    const PatchRecord& Record() const { return record_; }

private:
    void Step(std::uint8_t byte) {
        if (headerLeft_ > 0) {
            if (--headerLeft_ == 0) {
                takeNext_ = true;
            }
            return;
        }
        if (!takeNext_ && byte == kExclusiveStart) {
            headerLeft_ = kHeaderRest;
            return;
        }
        takeNext_ = false;
        if (byte == kExclusiveEnd) {
            collected_ -= collected_ > 0 ? 1 : 0;
            return;
        }
        record_[collected_++] = byte;
    }

    PatchRecord record_{};
    std::size_t collected_ = 0;
    std::size_t headerLeft_ = 0;
    bool takeNext_ = false;  // the byte after a skipped header is data even when it is F0
};

template <class Window>
std::optional<PatchRecord> ReadPatchRecordIn(Window& window, int index) {
    if (index < 0) {
        return std::nullopt;
    }
    const auto start = FindDumpStartIn(window);
    if (!start) {
        return std::nullopt;
    }
    const auto pair = static_cast<std::uint64_t>(index / 2);
    std::uint64_t position = *start + pair * kPairBlockSize + kFirstNameOffset;
    if (index % 2 == 1) {
        position += kOddRecordShift;
    }
    RecordWalk walk;
    while (!walk.Done()) {
        const auto bytes = window.From(position, 1);
        if (bytes.empty()) {
            return std::nullopt;
        }
        position += walk.Feed(bytes);
    }
    return walk.Record();
}

}  // namespace tessel::format::detail
