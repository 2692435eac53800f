#pragma once
// Patch memory written the ways other tools write it: DT1 messages of other sizes and orders,
// and Standard MIDI Files around a dump; and a standard dump among other bytes, cut or
// lengthened. Shared by the tests and the fuzz seeds.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "library/format/DumpFile.h"
#include "tests/format/DumpFixtures.h"

namespace tessel::format::test {

// Each patch of the list as DT1 messages of the given sizes (384 in all), in the order given.
inline Bytes Dt1Patches(const Records& records, const std::vector<int>& patches,
                        const std::vector<std::size_t>& sizes) {
    Bytes bytes;
    for (int patch : patches) {
        std::size_t offset = 0;
        for (std::size_t size : sizes) {
            const auto at = static_cast<std::uint32_t>(patch * kPatchRecordSize + offset);
            const auto data = std::span(records[patch]).subspan(offset, size);
            bytes = Concat({bytes, BuildDt1(0x10, AddressPlus(kPatchMemoryAddress, at), data)});
            offset += size;
        }
    }
    return bytes;
}

inline std::vector<int> PatchRange(int first, int end, int step = 1) {
    std::vector<int> patches;
    for (int i = first; i != end; i += step) {
        patches.push_back(i);
    }
    return patches;
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
            events.insert(events.end(), {0x00, status});  // the size below 16384, two bytes at most
            if (size > 0x7F) {
                events.push_back(static_cast<std::uint8_t>(0x80 | size >> 7));
            }
            events.push_back(static_cast<std::uint8_t>(size & 0x7F));
            events.insert(events.end(), syx.begin() + at, syx.begin() + at + size);
        }
    }
    return events;
}

inline Bytes Chunk(const char* type, const Bytes& body) {
    Bytes chunk(type, type + 4);  // the type, then the size big-endian
    chunk.resize(8);
    for (int i = 0; i < 4; ++i) {
        chunk[7 - i] = static_cast<std::uint8_t>(body.size() >> (8 * i));
    }
    return Concat({chunk, body});
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

// The first 48 messages of dump (patches 11-48) as exclusive events of at most `part` bytes,
// then middle, then the other messages.
inline Bytes DumpEventsAround(const Bytes& dump, const Bytes& middle, std::size_t part = 0x10000) {
    const auto cut = dump.begin() + 48 * kDt1MessageSize;
    return Concat({SysexEvents(Bytes(dump.begin(), cut), part), middle,
                   SysexEvents(Bytes(cut, dump.end()), part)});
}

struct LayoutFile {
    const char* what;
    Bytes bytes;
    std::vector<int> held;                // the patches it holds whole
    Records content = DistinctRecords();  // what they hold
};

// The files of other tools, and a standard dump for comparison.
inline std::vector<LayoutFile> LayoutFiles() {
    const Records records = DistinctRecords();
    const Bytes dump = DumpBytes(records);
    const auto all = PatchRange(0, 64);
    const auto first32 = PatchRange(0, 32);
    Records overlapped = records;
    std::fill(overlapped[9].end() - 100, overlapped[9].end(), 0x55);
    std::fill_n(overlapped[10].begin(), 100, 0x55);
    const Bytes over =
        BuildDt1(0x10, AddressPlus(kPatchMemoryAddress, 384 * 10 - 100), Bytes(200, 0x55));
    const Bytes by128 = Dt1Patches(records, all, {128, 128, 128});
    const Bytes notes{0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40};  // the second by running status
    const Bytes noteOff{0x00, 0x80, 0x3C, 0x00};
    return {
        {"standard", dump, all},
        {"256+128 a patch", Dt1Patches(records, all, {256, 128}), all},
        {"128-byte messages", by128, all},
        {"one message a patch, 88 first", Dt1Patches(records, PatchRange(63, -1, -1), {384}), all},
        {"32 patches, every second one", Dt1Patches(records, PatchRange(0, 64, 2), {384}),
         PatchRange(0, 64, 2)},
        {"last message cut by the end", Head(by128, by128.size() - 50), PatchRange(0, 63)},
        {"overlapping messages", Concat({by128, over}), all, overlapped},
        {"MIDI file, format 0", MidiFile(0, {SysexEvents(dump)}), all},
        {"MIDI file, format 1",
         MidiFile(1, {{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, SysexEvents(dump)}), all},
        {"continuation events, running status around",
         MidiFile(0,
                  {Concat({notes, DumpEventsAround(dump, Concat({notes, noteOff}), 100), notes})}),
         all},
        {"track length past the end of the file",
         Head(MidiFile(0, {SysexEvents(dump)}), 14 + 8 + 48 * 269 + 100), first32},
        {"running status across a sysex",
         MidiFile(0, {Concat({notes, DumpEventsAround(dump, {0x00, 0x3C, 0x00})})}), first32},
        {"delta time of five bytes",
         MidiFile(0, {DumpEventsAround(dump, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40})}),
         first32},
    };
}

inline const Bytes kDumpMark{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x05, 0x00, 0x00};

struct DumpCase {
    const char* what;
    Bytes bytes;
    std::optional<std::uint64_t> start;
    std::size_t names;  // the records 0 and 63 are whole exactly when listed
};

// A standard dump of DistinctRecords() among other bytes, cut or lengthened.
inline std::vector<DumpCase> DumpCases() {
    const Bytes dump = DumpBytes(DistinctRecords());
    const Bytes block = Head(dump, kPairBlockSize);
    const Bytes otherModel{0xF0, 0x41, 0x10, 0x3E, 0x12, 0x05, 0x00, 0x00, 0x01, 0x7A, 0xF7};
    const Bytes toAddress06{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x06, 0x00, 0x00, 0x01, 0x79, 0xF7};
    const Bytes junk{0x00, 0x7F, 0xF7, 0x41, 0x3D, 0x12, 0x05, 0x90, 0x3C, 0x40};
    const Bytes request = BuildDumpRequest(kDefaultDeviceByte, kPatchMemoryAddress);
    return {
        {"one standard dump", dump, 0, 64},
        {"after other messages and junk", Concat({request, junk, otherModel, dump}), 34, 64},
        {"device byte 7F", DumpBytes(DistinctRecords(), 0x7F), 0, 64},
        {"other model and address first", Concat({otherModel, toAddress06, dump}), 22, 64},
        {"F0 F0 before it", Concat({{0xF0}, dump}), 1, 64},
        {"broken mark ending in F0", Concat({Head(kDumpMark, 5), dump}), 5, 64},
        {"cut inside the last pair block", Head(dump, dump.size() - 100), 0, 62},
        {"33 blocks and a part", Concat({dump, block, Head(block, 797)}), 0, 66},
        {"end inside the first record's data", Head(dump, 400), 0, 0},
        {"end inside a skipped header", Head(dump, 270), 0, 0},
        {"F7 right after a mark", Concat({kDumpMark, {0xF7}, Bytes(400, 0x11)}), 0, 0},
        {"no message ends", Concat({kDumpMark, Bytes(1000, 0x33)}), 0, 0},
        {"mark cut by the end", Head(kDumpMark, 5), std::nullopt, 0},
        {"no dump", Concat({otherModel, junk}), std::nullopt, 0},
    };
}

inline Bytes FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace tessel::format::test
