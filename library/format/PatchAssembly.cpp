#include "library/format/PatchAssembly.h"

#include <algorithm>
#include <cstring>

namespace tessel::format {

namespace {

constexpr std::size_t kClassifyingBytes = 5;  // F0 41 dd 3D cc
constexpr std::uint32_t kPatchMemoryBase = std::uint32_t{0x05} << 14;

bool IsSevenBit(std::uint8_t byte) {
    return byte < 0x80;
}

// Position of the first F0 or F7 from `from` on, or the size of bytes. Looked for a stretch at
// a time, so that a search never runs far past the byte it stops at.
std::size_t BodyEnd(std::span<const std::uint8_t> bytes, std::size_t from) {
    constexpr std::size_t kStretch = 512;
    const std::uint8_t* data = bytes.data();
    for (; from < bytes.size(); from += kStretch) {
        const std::size_t limit = std::min(bytes.size(), from + kStretch);
        const auto* end =
            static_cast<const std::uint8_t*>(std::memchr(data + from, kExclusiveEnd, limit - from));
        const std::size_t stop = end == nullptr ? limit : static_cast<std::size_t>(end - data);
        const auto* start = static_cast<const std::uint8_t*>(
            std::memchr(data + from, kExclusiveStart, stop - from));
        if (start != nullptr || end != nullptr) {
            return start != nullptr ? static_cast<std::size_t>(start - data) : stop;
        }
    }
    return bytes.size();
}

}  // namespace

// Patch by patch, so that each patch's count of arrived bytes grows by what was new to it.
void PatchMemory::Store(std::size_t offset, std::span<const std::uint8_t> data) {
    std::copy(data.begin(), data.end(), image.get() + offset);
    const std::size_t end = offset + data.size();
    while (offset < end) {
        const std::size_t patch = offset / kPatchRecordSize;
        const std::size_t stop = std::min(end, (patch + 1) * kPatchRecordSize);
        const auto first = arrived.begin() + static_cast<std::ptrdiff_t>(offset);
        const auto last = arrived.begin() + static_cast<std::ptrdiff_t>(stop);
        const bool allNew = std::memchr(&*first, 1, stop - offset) == nullptr;
        arrivedCount[patch] +=
            allNew ? stop - offset : static_cast<std::size_t>(std::count(first, last, 0));
        std::fill(first, last, 1);
        offset = stop;
    }
}

PatchRecord PatchMemory::Record(std::size_t patch) const {
    PatchRecord record;
    std::copy_n(RecordBytes(patch), kPatchRecordSize, record.begin());
    return record;
}

AssemblyWalk::AssemblyWalk(PatchMemory& memory, std::vector<MessageUse>* uses)
    : memory_(memory), uses_(uses) {}

// Outside a message only an F0 matters; inside a header every byte is looked at; a body is
// taken a run at a time up to its next F0 or F7.
void AssemblyWalk::Feed(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    const std::uint8_t* data = bytes.data();
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (!inMessage_) {
            const void* start = std::memchr(data + i, kExclusiveStart, bytes.size() - i);
            if (start == nullptr) {
                return;
            }
            i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(start) - data);
            Begin(offset + i++);
            continue;
        }
        std::size_t end = i;
        if (headerLength_ < kHeaderSize) {
            if (data[i] != kExclusiveStart && data[i] != kExclusiveEnd) {
                TakeHeader(data[i++]);
                continue;
            }
        } else {
            end = BodyEnd(bytes, i);
            TakeBody(bytes.subspan(i, end - i));
            if (end == bytes.size()) {
                return;
            }
        }
        if (data[end] == kExclusiveStart) {
            Begin(offset + end);
        } else {
            End();
        }
        i = end + 1;
    }
}

void AssemblyWalk::Finish() {
    if (inMessage_) {
        Note(MessageUse::Kind::unterminated);
        inMessage_ = false;
    }
}

void AssemblyWalk::Begin(std::uint64_t offset) {
    Finish();
    inMessage_ = true;
    start_ = offset;
    headerLength_ = 1;
    header_[0] = kExclusiveStart;
    toPatchMemory_ = false;
    bodyBytes_ = 0;
    pending_.clear();
}

void AssemblyWalk::TakeHeader(std::uint8_t byte) {
    header_[headerLength_++] = byte;
    if (headerLength_ < kHeaderSize || header_[1] != kRolandId || header_[3] != kJd800ModelId ||
        header_[4] != kCommandDt1 || !std::all_of(header_.begin() + 5, header_.end(), IsSevenBit)) {
        return;
    }
    const std::uint32_t address =
        (std::uint32_t{header_[5]} << 14) | (std::uint32_t{header_[6]} << 7) | header_[7];
    if (address >= kPatchMemoryBase && address - kPatchMemoryBase < kPatchMemorySize) {
        toPatchMemory_ = true;
        target_ = address - kPatchMemoryBase;
    }
}

// Keeps what can land in patch memory plus one byte, so that the checksum of a message that
// ends within it can be told from the data.
void AssemblyWalk::TakeBody(std::span<const std::uint8_t> bytes) {
    bodyBytes_ += bytes.size();
    if (!toPatchMemory_) {
        return;
    }
    const std::size_t room = kPatchMemorySize - target_ + 1;
    const std::size_t take = std::min(bytes.size(), room - std::min(room, pending_.size()));
    pending_.insert(pending_.end(), bytes.begin(),
                    bytes.begin() + static_cast<std::ptrdiff_t>(take));
}

void AssemblyWalk::End() {
    inMessage_ = false;
    const bool dt1 = headerLength_ >= kClassifyingBytes && header_[1] == kRolandId &&
                     header_[3] == kJd800ModelId && header_[4] == kCommandDt1;
    if (!dt1) {
        Note(MessageUse::Kind::notJd800Data);
    } else if (bodyBytes_ == 0) {
        Note(MessageUse::Kind::tooShort);
    } else if (bodyBytes_ == 1) {
        Note(MessageUse::Kind::noData);
    } else if (!toPatchMemory_) {
        Note(MessageUse::Kind::outsidePatchMemory, bodyBytes_ - 1);
    } else {
        const std::size_t stored = std::min(bodyBytes_ - 1, kPatchMemorySize - target_);
        memory_.Store(target_, std::span(pending_).first(stored));
        Note(MessageUse::Kind::patchData, bodyBytes_ - 1);
    }
}

void AssemblyWalk::Note(MessageUse::Kind kind, std::size_t dataBytes) {
    if (uses_ == nullptr) {
        return;
    }
    MessageUse use{kind, start_, {}, dataBytes};
    if (headerLength_ == kHeaderSize) {
        use.address = {header_[5], header_[6], header_[7]};
    }
    uses_->push_back(use);
}

}  // namespace tessel::format
