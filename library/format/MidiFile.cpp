#include "library/format/MidiFile.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace tessel::format {

namespace {

using Kind = MidiFileDamage::Kind;

constexpr std::string_view kHeaderType = "MThd";
constexpr std::string_view kTrackType = "MTrk";
constexpr std::size_t kChunkHeadSize = 8;   // type(4) length(4)
constexpr std::size_t kSmallestHeader = 6;  // format(2) tracks(2) division(2)
constexpr std::size_t kLongestNumber = 4;
constexpr std::uint8_t kMetaEvent = 0xFF;
constexpr std::uint8_t kEndOfTrack = 0x2F;
constexpr std::uint8_t kFirstStatus = 0x80;
constexpr std::uint8_t kFirstSystemStatus = 0xF0;

bool TypeIs(std::span<const std::uint8_t> bytes, std::uint64_t at, std::string_view type) {
    return std::equal(type.begin(), type.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes, std::uint64_t at, int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | bytes[static_cast<std::size_t>(at) + static_cast<std::size_t>(i)];
    }
    return value;
}

// Data bytes of a channel message: program change and channel pressure carry one.
std::uint64_t ChannelDataSize(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Reads the events of one track chunk, bytes [at, end) of the file, into the sysex stream.
class TrackReader {
public:
    TrackReader(std::span<const std::uint8_t> file, std::uint64_t at, std::uint64_t end,
                MidiFileSysex& out)
        : file_(file), at_(at), end_(end), out_(out) {}

    void Read() {
        while (at_ < end_ && NextEvent()) {
        }
    }

private:
    // False when the track ends here, by FF 2F or by damage.
    bool NextEvent() {
        if (!ReadNumber()) {
            return false;
        }
        if (at_ >= end_) {
            return Damaged(Kind::eventPastChunkEnd, at_);
        }
        const std::uint64_t eventStart = at_;
        const std::uint8_t status = file_[static_cast<std::size_t>(at_)];
        if (status < kFirstStatus) {
            return runningStatus_ ? Skip(eventStart, ChannelDataSize(*runningStatus_))
                                  : Damaged(Kind::noRunningStatus, eventStart);
        }
        ++at_;
        if (status < kFirstSystemStatus) {
            runningStatus_ = status;
            return Skip(eventStart, ChannelDataSize(status));
        }
        runningStatus_.reset();
        if (status == kExclusiveStart || status == kExclusiveEnd) {
            return Exclusive(eventStart, status);
        }
        if (status == kMetaEvent) {
            return Meta(eventStart);
        }
        return Damaged(Kind::notAnEvent, eventStart);
    }

    bool Exclusive(std::uint64_t eventStart, std::uint8_t status) {
        if (!ReadNumber()) {
            return false;
        }
        if (number_ > end_ - at_) {
            return Damaged(Kind::eventPastChunkEnd, eventStart);
        }
        if (status == kExclusiveStart) {
            Append(eventStart, 1);
        }
        Append(at_, number_);
        at_ += number_;
        return true;
    }

    bool Meta(std::uint64_t eventStart) {
        if (at_ >= end_) {
            return Damaged(Kind::eventPastChunkEnd, eventStart);
        }
        const std::uint8_t type = file_[static_cast<std::size_t>(at_++)];
        if (!ReadNumber()) {
            return false;
        }
        if (number_ > end_ - at_) {
            return Damaged(Kind::eventPastChunkEnd, eventStart);
        }
        at_ += number_;
        return type != kEndOfTrack;
    }

    bool Skip(std::uint64_t eventStart, std::uint64_t size) {
        if (size > end_ - at_) {
            return Damaged(Kind::eventPastChunkEnd, eventStart);
        }
        at_ += size;
        return true;
    }

    // A variable-length number into number_; false on damage.
    bool ReadNumber() {
        const std::uint64_t start = at_;
        number_ = 0;
        for (std::size_t i = 0; i < kLongestNumber; ++i) {
            if (at_ >= end_) {
                return Damaged(Kind::eventPastChunkEnd, start);
            }
            const std::uint8_t byte = file_[static_cast<std::size_t>(at_++)];
            number_ = (number_ << 7) | (byte & 0x7F);
            if (byte < 0x80) {
                return true;
            }
        }
        return Damaged(Kind::longNumber, start);
    }

    void Append(std::uint64_t from, std::uint64_t size) {
        if (size == 0) {
            return;
        }
        out_.runs.emplace_back(out_.stream.size(), from);
        const auto first = file_.begin() + static_cast<std::ptrdiff_t>(from);
        out_.stream.insert(out_.stream.end(), first, first + static_cast<std::ptrdiff_t>(size));
    }

    bool Damaged(Kind kind, std::uint64_t offset) {
        out_.info.damage.push_back({kind, offset});
        return false;
    }

    std::span<const std::uint8_t> file_;
    std::uint64_t at_;
    std::uint64_t end_;
    MidiFileSysex& out_;
    std::uint64_t number_ = 0;
    std::optional<std::uint8_t> runningStatus_;
};

}  // namespace

bool IsMidiFile(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= kMidiFileMarkSize && TypeIs(bytes, 0, kHeaderType);
}

std::uint64_t MidiFileSysex::FileOffset(std::uint64_t streamOffset) const {
    const auto after =
        std::upper_bound(runs.begin(), runs.end(), streamOffset,
                         [](std::uint64_t offset, const auto& run) { return offset < run.first; });
    if (after == runs.begin()) {
        return streamOffset;
    }
    const auto& run = *std::prev(after);
    return run.second + (streamOffset - run.first);
}

MidiFileSysex ReadMidiFileSysex(std::span<const std::uint8_t> bytes) {
    MidiFileSysex out;
    const std::uint64_t size = bytes.size();
    if (size < kChunkHeadSize + kSmallestHeader || BigEndian(bytes, 4, 4) < kSmallestHeader ||
        BigEndian(bytes, 4, 4) > size - kChunkHeadSize) {
        out.info.damage.push_back({Kind::shortHeader, 0});
        return out;
    }
    out.info.format = static_cast<int>(BigEndian(bytes, 8, 2));
    std::uint64_t at = kChunkHeadSize + BigEndian(bytes, 4, 4);
    while (size - at >= kChunkHeadSize) {
        const std::uint64_t body = at + kChunkHeadSize;
        std::uint64_t end = body + BigEndian(bytes, at + 4, 4);
        if (end > size) {
            out.info.damage.push_back({Kind::chunkPastFileEnd, at});
            end = size;
        }
        if (TypeIs(bytes, at, kTrackType)) {
            ++out.info.tracks;
            TrackReader(bytes, body, end, out).Read();
        }
        at = end;
    }
    return out;
}

}  // namespace tessel::format
