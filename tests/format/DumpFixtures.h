#pragma once
// Dump files made by code for the format, tool, list and window tests and the fuzz seeds: a
// standard dump among other bytes, cut or lengthened; patch memory written the ways other tools
// write it, DT1 messages of other sizes and orders and Standard MIDI Files around a dump.
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <tuple>
#include <vector>

#include "library/format/DumpFile.h"

namespace tessel::format::test {

using Records = std::array<PatchRecord, kPatchCount>;

// The name blank-filled (or cut) to 16 bytes, as stored.
inline void SetName(PatchRecord& record, std::string_view name) {
    std::fill_n(record.begin(), kPatchNameSize, ' ');
    std::copy_n(name.begin(), std::min(name.size(), kPatchNameSize), record.begin());
}

// Record i is named "PATCH i" and holds (i + position) % 128 after its name.
inline Records DistinctRecords() {
    Records records{};
    for (std::size_t i = 0; i < records.size(); ++i) {
        for (std::size_t b = 0; b < kPatchRecordSize; ++b) {
            records[i][b] = static_cast<std::uint8_t>((i + b) % 128);
        }
        SetName(records[i], "PATCH " + std::to_string(i));
    }
    return records;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

inline Bytes DumpBytes(const Records& records, std::uint8_t device = kDefaultDeviceByte) {
    return BuildPatchMemoryDumpFile(device, records);
}

inline Bytes Head(const Bytes& bytes, std::size_t size) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "tessel-format-XXXXXX";
        path_ = ::mkdtemp(pattern.data()) ? pattern
                                          : throw std::system_error(errno, std::generic_category());
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    std::filesystem::path Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(path_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

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

// The type, then the size big-endian, then the body.
inline Bytes Chunk(const char* type, const Bytes& body) {
    const auto size = static_cast<std::uint32_t>(body.size());
    const Bytes head{std::uint8_t(size >> 24), std::uint8_t(size >> 16), std::uint8_t(size >> 8),
                     std::uint8_t(size)};
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
    };
}

inline const Bytes kDumpMark{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x05, 0x00, 0x00};

// What, the bytes, the dump start, the names listed (records 0 and 63 are whole exactly when
// listed).
using DumpCase = std::tuple<const char*, Bytes, std::optional<std::uint64_t>, std::size_t>;

// A standard dump of DistinctRecords() among other bytes, cut or lengthened.
inline std::vector<DumpCase> DumpCases() {
    const Bytes dump = DumpBytes(DistinctRecords());
    const Bytes otherModel{0xF0, 0x41, 0x10, 0x3E, 0x12, 0x05, 0x00, 0x00, 0x01, 0x7A, 0xF7};
    const Bytes toAddress06{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x06, 0x00, 0x00, 0x01, 0x79, 0xF7};
    const Bytes junk{0x00, 0x7F, 0xF7, 0x41, 0x3D, 0x12, 0x05, 0x90, 0x3C, 0x40};
    const Bytes request = BuildDumpRequest(kDefaultDeviceByte, kPatchMemoryAddress);
    return {
        {"after other messages and junk", Concat({request, junk, otherModel, dump}), 34, 64},
        {"device byte 7F", DumpBytes(DistinctRecords(), 0x7F), 0, 64},
        {"other model and address first", Concat({otherModel, toAddress06, dump}), 22, 64},
        {"broken mark ending in F0", Concat({Head(kDumpMark, 5), dump}), 5, 64},
        {"cut inside the last pair block", Head(dump, dump.size() - 100), 0, 62},
        {"end inside the first record's data", Head(dump, 400), 0, 0},
        {"F7 right after a mark", Concat({kDumpMark, {0xF7}, Bytes(400, 0x11)}), 0, 0},
        {"mark cut by the end", Head(kDumpMark, 5), std::nullopt, 0},
        {"no dump", Concat({otherModel, junk}), std::nullopt, 0},
    };
}

inline Bytes FileBytes(const std::filesystem::path& file) {
    return Bytes(std::istreambuf_iterator<char>(std::ifstream(file, std::ios::binary).rdbuf()), {});
}

}  // namespace tessel::format::test
