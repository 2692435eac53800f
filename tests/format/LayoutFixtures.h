#pragma once
// Patch memory written the ways other tools write it: DT1 messages of other sizes and orders,
// and Standard MIDI Files around a dump. Shared by the tests and the fuzz seeds.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/format/DumpFixtures.h"

namespace tessel::format::test {

struct Piece {
    std::size_t offset;  // in the 24,576 bytes of patch memory
    std::size_t size;
};

inline Bytes MemoryImage(const Records& records) {
    Bytes image;
    for (const PatchRecord& record : records) {
        image.insert(image.end(), record.begin(), record.end());
    }
    return image;
}

// One DT1 message a piece, in the order given.
inline Bytes Dt1Pieces(const Bytes& image, const std::vector<Piece>& pieces) {
    Bytes bytes;
    for (const Piece& piece : pieces) {
        const auto data = std::span(image).subspan(piece.offset, piece.size);
        const auto offset = static_cast<std::uint32_t>(piece.offset);
        const Bytes message = BuildDt1(0x10, AddressPlus(kPatchMemoryAddress, offset), data);
        bytes.insert(bytes.end(), message.begin(), message.end());
    }
    return bytes;
}

// Each patch of the list cut into messages of the given sizes.
inline std::vector<Piece> PatchPieces(const std::vector<int>& patches,
                                      const std::vector<std::size_t>& sizes) {
    std::vector<Piece> pieces;
    for (int patch : patches) {
        std::size_t offset = static_cast<std::size_t>(patch) * kPatchRecordSize;
        for (std::size_t size : sizes) {
            pieces.push_back({offset, size});
            offset += size;
        }
    }
    return pieces;
}

inline std::vector<int> PatchRange(int first, int end, int step = 1) {
    std::vector<int> patches;
    for (int i = first; step > 0 ? i < end : i > end; i += step) {
        patches.push_back(i);
    }
    return patches;
}

// Seven bits a byte, most significant first, the high bit on all but the last.
inline Bytes VarLen(std::uint32_t value) {
    Bytes bytes{static_cast<std::uint8_t>(value & 0x7F)};
    while ((value >>= 7) != 0) {
        bytes.insert(bytes.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    }
    return bytes;
}

// Each message of syx as a delta-time-0 F0 event of at most `part` bytes after the F0,
// continued in F7 events.
inline Bytes SysexEvents(const Bytes& syx, std::size_t part = 0x10000) {
    Bytes events;
    for (std::size_t start = 0, end = 0; start < syx.size(); start = end) {
        end = std::find(syx.begin() + start, syx.end(), 0xF7) - syx.begin() + 1;
        std::uint8_t status = 0xF0;
        for (std::size_t at = start + 1; at < end; at += part, status = 0xF7) {
            const std::size_t size = std::min(part, end - at);
            const Bytes length = VarLen(static_cast<std::uint32_t>(size));
            events.insert(events.end(), {0x00, status});
            events.insert(events.end(), length.begin(), length.end());
            events.insert(events.end(), syx.begin() + at, syx.begin() + at + size);
        }
    }
    return events;
}

inline Bytes Chunk(const char* type, const Bytes& body) {
    const auto size = static_cast<std::uint32_t>(body.size());
    const Bytes head{static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
                     static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
    return Concat({Bytes(type, type + 4), head, body});
}

// Format, one track chunk per body (each closed by FF 2F 00), 96 ticks a quarter note.
inline Bytes MidiFile(std::uint8_t format, const std::vector<Bytes>& tracks) {
    const auto count = static_cast<std::uint8_t>(tracks.size());
    Bytes file = Chunk("MThd", {0x00, format, 0x00, count, 0x00, 0x60});
    for (const Bytes& track : tracks) {
        file = Concat({file, Chunk("MTrk", Concat({track, {0x00, 0xFF, 0x2F, 0x00}}))});
    }
    return file;
}

inline Bytes FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace tessel::format::test
