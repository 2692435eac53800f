#pragma once
// The eight recorded motifs and their file, "custom.dat".
//
// A motif is two parallel tables of 1000 entries: packed short messages (status in bits
// 0-7, first data byte in 8-15, second in 16-23) and times in milliseconds from its first
// event. The first negative time ends it, so it holds at most 999 events.
//
// custom.dat is exactly 64,000 bytes without a header: for motif 0..7 in order, its 1000
// messages (4 bytes each) and then its 1000 times (4 bytes each, signed), every value least
// significant byte first.
//
// The window thread records into a motif while a preview run may replay it: each entry is
// an atomic word, and a recorded event becomes part of the motif only when its time is
// stored, after its message and after the new end behind it.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace tessel::preview {

inline constexpr int kMotifCount = 8;
inline constexpr int kMotifLength = 1000;
inline constexpr std::int32_t kMotifEnd = -1;
inline constexpr std::size_t kCustomDatSize = 64000;
inline constexpr char kCustomDatName[] = "custom.dat";

struct Motif {
    std::array<std::atomic<std::uint32_t>, kMotifLength> messages;
    std::array<std::atomic<std::int32_t>, kMotifLength> times;
};

class MotifBank {
public:
    // Eight empty motifs.
    MotifBank();
    MotifBank(const MotifBank&) = delete;
    MotifBank& operator=(const MotifBank&) = delete;

    // Null for an index outside 0..7.
    Motif* Find(int index);
    const Motif* Find(int index) const;

    // Every motif empty, every entry cleared.
    void Clear();
    // Empties the motifs, then fills them from custom.dat's layout as far as whole 4-byte
    // values reach; bytes past 64,000 are ignored.
    void FromBytes(std::string_view bytes);
    std::string ToBytes() const;  // 64,000 bytes

private:
    std::unique_ptr<std::array<Motif, kMotifCount>> motifs_;
};

// Reads at most 64,000 bytes of `file` into the motifs; without a readable file they stay
// empty.
void LoadMotifs(MotifBank& motifs, const std::filesystem::path& file);
// Replaces `file` in one step; false when it could not be written, the old file then kept.
bool SaveMotifs(const MotifBank& motifs, const std::filesystem::path& file);

}  // namespace tessel::preview
