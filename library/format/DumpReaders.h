#pragma once
// The dump-reading walks, written once over a byte source (MemoryWindow or FileWindow) so
// that the in-memory and file forms give the same answers.
//
// A file's exclusive bytes are the file itself, or the exclusive events of a Standard MIDI
// File. In them, the standard layout (from the dump start on, message after message of 266
// bytes to the addresses 05 00 00, 05 02 00, ..., 06 3E 00, then any further 266-byte DT1
// messages, the last one possibly cut by the end) is read by its offsets alone: two names in
// every whole 798-byte block, records by walking over the message boundaries. Any other
// layout is assembled by address (PatchAssembly.h) and lists the patches it holds whole, by
// patch number.
#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/format/DumpFile.h"
#include "library/format/FileWindow.h"
#include "library/format/MidiFile.h"
#include "library/format/PatchAssembly.h"
#include "library/format/RolandMessage.h"

namespace tessel::format::detail {

inline constexpr std::size_t kDumpMarkSize = 6;  // F0 41 dd 3D 12 05
inline constexpr std::size_t kFirstNameOffset = 8;
inline constexpr std::size_t kSecondNameOffset = 402;
inline constexpr std::size_t kOddRecordShift = kSecondNameOffset - kFirstNameOffset;
inline constexpr std::size_t kHeaderRest = 7;  // header bytes after an F0
// A Standard MIDI File is read whole, up to this size; the rest counts as cut off.
inline constexpr std::uint64_t kLargestMidiFile = std::uint64_t{64} << 20;

inline bool IsDumpMark(const std::uint8_t* p) {
    return p[0] == kExclusiveStart && p[1] == kRolandId && p[3] == kJd800ModelId &&
           p[4] == kCommandDt1 && p[5] == kPatchMemoryAddress[0];
}

// F0 41 dd 3D 12 05 or F0 41 dd 3D 12 06: a DT1 that may reach patch memory.
inline bool IsPatchMemoryMark(const std::uint8_t* p) {
    return p[0] == kExclusiveStart && p[1] == kRolandId && p[3] == kJd800ModelId &&
           p[4] == kCommandDt1 &&
           (p[5] == kPatchMemoryAddress[0] || p[5] == kPatchMemoryAddress[0] + 1);
}

// Position of the first mark wholly inside bytes. Every F0 is a candidate of its own, so an
// F0 inside a broken candidate ("F0 F0 41 ...") is still found.
template <class IsMark>
std::optional<std::size_t> FindMark(std::span<const std::uint8_t> bytes, IsMark isMark) {
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
        if (isMark(p)) {
            return static_cast<std::size_t>(p - begin);
        }
    }
    return std::nullopt;
}

inline std::optional<std::size_t> FindDumpMark(std::span<const std::uint8_t> bytes) {
    return FindMark(bytes, IsDumpMark);
}

template <class Window, class IsMark>
std::optional<std::uint64_t> FindMarkIn(Window& window, IsMark isMark) {
    std::uint64_t position = 0;
    for (;;) {
        const auto bytes = window.From(position, kDumpMarkSize);
        if (const auto found = FindMark(bytes, isMark)) {
            return position + *found;
        }
        if (bytes.size() < kDumpMarkSize) {
            return std::nullopt;
        }
        // The last five bytes may begin a mark that the next bytes complete.
        position += bytes.size() - (kDumpMarkSize - 1);
    }
}

template <class Window>
std::optional<std::uint64_t> FindDumpStartIn(Window& window) {
    return FindMarkIn(window, IsDumpMark);
}

// The 16 name bytes cut at the first zero byte; blanks and other bytes kept as stored.
inline std::string_view NameAt(const std::uint8_t* bytes) {
    std::size_t length = 0;
    while (length < kPatchNameSize && bytes[length] != 0) {
        ++length;
    }
    return std::string_view(reinterpret_cast<const char*>(bytes), length);
}

// Slot k of the standard layout: F0 41 dd 3D 12 and the address 05 00 00 + 256 x k for the 96
// slots of one patch memory dump, any address for the slots after them, and F7 at its end.
inline constexpr std::array<std::uint8_t, kHeaderSize> ExpectedHeader(std::size_t k) {
    const std::size_t step = 2 * (k % kDumpMessageCount);
    return {kExclusiveStart,
            kRolandId,
            0,
            kJd800ModelId,
            kCommandDt1,
            static_cast<std::uint8_t>(kPatchMemoryAddress[0] + step / 128),
            static_cast<std::uint8_t>(step % 128),
            0};
}

// The eight header bytes compared as one word, the device byte masked out: the check costs
// a few instructions a message.
using HeaderWord = std::uint64_t;
inline constexpr HeaderWord kSlotMask = std::bit_cast<HeaderWord>(
    std::array<std::uint8_t, 8>{0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
inline constexpr HeaderWord kLaterSlotMask =
    std::bit_cast<HeaderWord>(std::array<std::uint8_t, 8>{0xFF, 0xFF, 0, 0xFF, 0xFF, 0, 0, 0});
inline constexpr std::array<HeaderWord, kDumpMessageCount> kSlotHeaders = [] {
    std::array<HeaderWord, kDumpMessageCount> words{};
    for (std::size_t k = 0; k < words.size(); ++k) {
        words[k] = std::bit_cast<HeaderWord>(ExpectedHeader(k));
    }
    return words;
}();

inline HeaderWord LoadHeader(const std::uint8_t* slot) {
    HeaderWord word;
    std::memcpy(&word, slot, sizeof word);
    return word;
}

// Whole slots first..first+count-1 starting at bytes; the differences are gathered without a
// branch a message.
inline bool AreWholeStandardSlots(const std::uint8_t* bytes, std::size_t first, std::size_t count) {
    const std::size_t end = first + count;
    const std::uint8_t* slot = bytes;
    HeaderWord differs = 0;
    std::size_t k = first;
    for (; k < std::min(end, kDumpMessageCount); ++k, slot += kDt1MessageSize) {
        differs |= ((LoadHeader(slot) & kSlotMask) ^ kSlotHeaders[k]) |
                   (slot[kDt1MessageSize - 1] ^ kExclusiveEnd);
    }
    const HeaderWord later = kSlotHeaders[0] & kLaterSlotMask;
    for (; k < end; ++k, slot += kDt1MessageSize) {
        differs |= ((LoadHeader(slot) & kLaterSlotMask) ^ later) |
                   (slot[kDt1MessageSize - 1] ^ kExclusiveEnd);
    }
    return differs == 0;
}

// The last slot, cut by the end of the bytes: as far as it goes.
inline bool IsCutStandardSlot(std::span<const std::uint8_t> slot, std::size_t k) {
    const auto expected = ExpectedHeader(k);
    const std::size_t compared =
        std::min(slot.size(), k < kDumpMessageCount ? kHeaderSize : kHeaderSize - 3);
    for (std::size_t i = 0; i < compared; ++i) {
        if (i != 2 && slot[i] != expected[i]) {
            return false;
        }
    }
    return true;
}

template <class Window>
bool IsStandardLayoutIn(Window& window, std::uint64_t start) {
    std::uint64_t position = start;
    std::size_t slot = 0;
    for (;;) {
        const auto bytes = window.From(position, kDt1MessageSize);
        if (bytes.size() < kDt1MessageSize) {
            return IsCutStandardSlot(bytes, slot);
        }
        const std::size_t whole = bytes.size() / kDt1MessageSize;
        if (!AreWholeStandardSlots(bytes.data(), slot, whole)) {
            return false;
        }
        slot += whole;
        position += whole * kDt1MessageSize;
    }
}

// The dump start when the exclusive bytes hold the standard layout.
template <class Window>
std::optional<std::uint64_t> StandardStartIn(Window& window) {
    const auto start = FindDumpStartIn(window);
    return start && IsStandardLayoutIn(window, *start) ? start : std::nullopt;
}

// Calls visit(index, name) for the two names of every whole block after the dump start.
template <class Window, class Visit>
void VisitBlockNamesIn(Window& window, std::uint64_t start, Visit& visit) {
    std::uint64_t position = start;
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
std::optional<PatchRecord> ReadBlockRecordIn(Window& window, std::uint64_t start, int index) {
    if (index < 0) {
        return std::nullopt;
    }
    const auto pair = static_cast<std::uint64_t>(index / 2);
    std::uint64_t position = start + pair * kPairBlockSize + kFirstNameOffset;
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

template <class Window>
void AssembleIn(Window& window, AssemblyWalk& walk) {
    std::uint64_t position = 0;
    for (auto bytes = window.From(position, 1); !bytes.empty(); bytes = window.From(position, 1)) {
        walk.Feed(bytes, position);
        position += bytes.size();
    }
    walk.Finish();
}

// How exclusive bytes hold patch memory: the dump start of the standard layout, or the
// memory assembled from any other layout.
struct StreamReading {
    DumpLayout layout = DumpLayout::none;
    std::uint64_t start = 0;
    std::optional<PatchMemory> memory;
};

template <class Window>
StreamReading ReadStreamIn(Window& window) {
    const auto start = FindDumpStartIn(window);
    if (start && IsStandardLayoutIn(window, *start)) {
        return {DumpLayout::standard, *start, std::nullopt};
    }
    // Without any DT1 to 05 or 06 xx xx there is nothing to assemble.
    if (!start && !FindMarkIn(window, IsPatchMemoryMark)) {
        return {};
    }
    StreamReading reading{DumpLayout::byAddress, 0, PatchMemory{}};
    AssemblyWalk walk(*reading.memory);
    AssembleIn(window, walk);
    const auto& counts = reading.memory->arrivedCount;
    if (std::all_of(counts.begin(), counts.end(), [](std::size_t n) { return n == 0; })) {
        return {};
    }
    return reading;
}

template <class Window>
bool IsMidiFileIn(Window& window) {
    return IsMidiFile(window.From(0, kMidiFileMarkSize));
}

template <class Window>
MidiFileSysex ReadMidiFileIn(Window& window) {
    const auto size = static_cast<std::size_t>(std::min(window.Size(), kLargestMidiFile));
    const auto bytes = window.From(0, size);
    return ReadMidiFileSysex(bytes.first(std::min(bytes.size(), size)));
}

// read(window) over the exclusive bytes of the file in window.
template <class Window, class Read>
auto WithExclusiveBytes(Window& window, Read&& read) {
    if (IsMidiFileIn(window)) {
        const MidiFileSysex file = ReadMidiFileIn(window);
        MemoryWindow stream(file.stream);
        return read(stream);
    }
    return read(window);
}

// A callable (int index, std::string_view name) passed on by reference through one plain
// function call: the paths off the standard layout call it so, so that the visit of a search
// is compiled into the standard block walk alone and stays inlined there.
class NameVisitor {
public:
    template <class Visit>
    explicit NameVisitor(Visit& visit)
        : object_(&visit), call_([](void* object, int index, std::string_view name) {
              (*static_cast<Visit*>(object))(index, name);
          }) {}
    void operator()(int index, std::string_view name) const { call_(object_, index, name); }

private:
    void* object_;
    void (*call_)(void*, int, std::string_view);
};

template <class Window, class Visit>
void VisitStreamNamesIn(Window& window, Visit& visit, const NameVisitor& others) {
    const StreamReading reading = ReadStreamIn(window);
    if (reading.layout == DumpLayout::standard) {
        VisitBlockNamesIn(window, reading.start, visit);
        return;
    }
    for (std::size_t i = 0; reading.memory && i < kPatchCount; ++i) {
        if (reading.memory->Held(i)) {
            others(static_cast<int>(i), NameAt(reading.memory->RecordBytes(i)));
        }
    }
}

// Calls visit(index, name) for every patch the file lists, in index order.
template <class Window, class Visit>
void VisitPatchNamesIn(Window& window, Visit&& visit) {
    const NameVisitor others(visit);
    if (IsMidiFileIn(window)) {
        const MidiFileSysex file = ReadMidiFileIn(window);
        MemoryWindow stream(file.stream);
        VisitStreamNamesIn(stream, others, others);
    } else {
        VisitStreamNamesIn(window, visit, others);
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

template <class Window>
std::optional<PatchRecord> ReadPatchRecordIn(Window& window, int index) {
    return WithExclusiveBytes(window, [index](auto& stream) -> std::optional<PatchRecord> {
        const StreamReading reading = ReadStreamIn(stream);
        if (reading.layout == DumpLayout::standard) {
            return ReadBlockRecordIn(stream, reading.start, index);
        }
        const auto patch = static_cast<std::size_t>(index);
        if (!reading.memory || index < 0 || patch >= kPatchCount || !reading.memory->Held(patch)) {
            return std::nullopt;
        }
        return reading.memory->Record(patch);
    });
}

// The patches 0-63 of the file: in the standard layout those it lists, read as records.
template <class Window>
HeldPatches ReadHeldPatchesIn(Window& window) {
    return WithExclusiveBytes(window, [](auto& stream) {
        HeldPatches held;
        const StreamReading reading = ReadStreamIn(stream);
        held.layout = reading.layout;
        if (reading.layout == DumpLayout::standard) {
            std::vector<int> listed;
            auto collect = [&listed](int index, std::string_view) {
                if (static_cast<std::size_t>(index) < kPatchCount) {
                    listed.push_back(index);
                }
            };
            VisitBlockNamesIn(stream, reading.start, collect);
            for (int index : listed) {
                held.records[static_cast<std::size_t>(index)] =
                    ReadBlockRecordIn(stream, reading.start, index);
            }
        } else if (reading.memory) {
            for (std::size_t i = 0; i < kPatchCount; ++i) {
                if (reading.memory->Held(i)) {
                    held.records[i] = reading.memory->Record(i);
                }
            }
        }
        return held;
    });
}

}  // namespace tessel::format::detail
