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

}  // namespace

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
            while (end < bytes.size() && data[end] != kExclusiveStart &&
                   data[end] != kExclusiveEnd) {
                ++end;
            }
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
        for (std::size_t k = 0; k < stored; ++k) {
            const std::size_t at = target_ + k;
            memory_.image[at] = pending_[k];
            if (memory_.arrived[at] == 0) {
                memory_.arrived[at] = 1;
                ++memory_.arrivedCount[at / kPatchRecordSize];
            }
        }
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
