// Patch memory in every layout the readers take: the names, a record read back, the search
// and `convert` against the standard dump of the same patches.
#include <gtest/gtest.h>

#include <sstream>

#include "library/format/DumpFile.h"
#include "library/format/DumpReaders.h"
#include "tests/format/LayoutFixtures.h"
#include "tools/tessel-syx/SyxTool.h"

namespace tessel::format {
namespace {

using namespace test;

const Records kRecords = DistinctRecords();
const Bytes kImage = MemoryImage(kRecords);
const Bytes kDump = DumpBytes(kRecords);
const std::vector<int> kAll = PatchRange(0, 64);
const std::vector<int> kFirst32 = PatchRange(0, 32);

// The first 48 messages of the standard dump (patches 11-48), then bytes, then the rest.
Bytes DumpAround(const Bytes& middle, std::size_t part = 0x10000) {
    const Bytes head = Head(kDump, 48 * kDt1MessageSize);
    const Bytes tail(kDump.begin() + 48 * kDt1MessageSize, kDump.end());
    return Concat({SysexEvents(head, part), middle, SysexEvents(tail, part)});
}

struct LayoutCase {
    const char* what;
    Bytes file;
    std::vector<int> held;
    Records content = kRecords;  // what the held patches hold
};

std::vector<LayoutCase> Cases() {
    Records overlapped = kRecords;
    std::fill(overlapped[9].end() - 100, overlapped[9].end(), 0x55);
    std::fill_n(overlapped[10].begin(), 100, 0x55);
    const Bytes over =
        BuildDt1(0x10, AddressPlus(kPatchMemoryAddress, 384 * 10 - 100), Bytes(200, 0x55));
    const Bytes by128 = Dt1Pieces(kImage, PatchPieces(kAll, {128, 128, 128}));
    const Bytes notes{0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40};  // the second by running status
    return {
        {"standard", kDump, kAll},
        {"256+128 a patch", Dt1Pieces(kImage, PatchPieces(kAll, {256, 128})), kAll},
        {"128-byte messages", by128, kAll},
        {"one message a patch, 88 first",
         Dt1Pieces(kImage, PatchPieces(PatchRange(63, -1, -1), {384})), kAll},
        {"32 patches, every second one",
         Dt1Pieces(kImage, PatchPieces(PatchRange(0, 64, 2), {384})), PatchRange(0, 64, 2)},
        {"last message cut by the end", Head(by128, by128.size() - 50), PatchRange(0, 63)},
        {"overlapping messages", Concat({by128, over}), kAll, overlapped},
        {"MIDI file, format 0", MidiFile(0, {SysexEvents(kDump)}), kAll},
        {"MIDI file, format 1",
         MidiFile(1, {{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, SysexEvents(kDump)}), kAll},
        {"continuation events, running status around",
         MidiFile(0, {Concat({notes, DumpAround(Concat({notes, {0x00, 0x80, 0x3C, 0x00}}), 100),
                              notes})}),
         kAll},
        {"track length past the end of the file",
         Head(MidiFile(0, {SysexEvents(kDump)}), 14 + 8 + 48 * 269 + 100), kFirst32},
        {"running status across a sysex",
         MidiFile(0, {Concat({notes, DumpAround({0x00, 0x3C, 0x00})})}), kFirst32},
        {"delta time of five bytes",
         MidiFile(0, {DumpAround({0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40})}), kFirst32},
    };
}

TEST(Layouts, NamesRecordsSearchAndConvert) {
    TempFolder folder;
    for (const auto& c : Cases()) {
        const auto file = folder.Write("in.mid", c.file);
        Records converted{};
        std::vector<PatchEntry> names;
        for (auto& record : converted) {
            SetName(record, "<None>");
        }
        for (int i : c.held) {
            names.push_back({i, std::string(detail::NameAt(c.content[i].data()))});
            converted[i] = c.content[i];
        }
        std::error_code error;
        EXPECT_EQ(ReadPatchNames(file), names) << c.what;
        EXPECT_EQ(ReadPatchNamesFromBytes(c.file), names) << c.what;
        EXPECT_EQ(FindPatchNames(file, NameSearch(""), error), names) << c.what;
        for (std::size_t chunk : {1u, 300u}) {
            FileWindow window(file, chunk);
            EXPECT_EQ(detail::ReadPatchNamesIn(window), names) << c.what << " " << chunk;
        }
        EXPECT_EQ(ReadPatchRecord(file, c.held.back()), c.content[c.held.back()]) << c.what;
        EXPECT_EQ(ReadPatchRecord(file, 1).has_value(), names[1].index == 1) << c.what;

        std::ostringstream out, err;
        const std::vector<std::string> args{"convert", file, folder.Path() / "out.syx"};
        EXPECT_EQ(syx::RunSyxTool(args, out, err), 0) << c.what << ": " << err.str();
        EXPECT_EQ(FileBytes(folder.Path() / "out.syx"), DumpBytes(converted)) << c.what;
    }
}

}  // namespace
}  // namespace tessel::format
