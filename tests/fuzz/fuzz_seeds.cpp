// Writes the seed corpus for the dump fuzzers: fuzz_seeds FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "library/format/DumpFile.h"
#include "tests/format/LayoutFixtures.h"

namespace {

using namespace tessel::format;
using test::Concat;
using test::Head;

std::vector<std::pair<std::string, Bytes>> Seeds() {
    const Bytes dump = test::DumpBytes(test::DistinctRecords());
    const Bytes request = BuildDumpRequest(kDefaultDeviceByte, kPatchMemoryAddress);
    const Bytes mark{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x05, 0x00, 0x00};
    const Bytes otherModel{0xF0, 0x41, 0x10, 0x3E, 0x12, 0x05, 0x00, 0x00, 0x01, 0x7A, 0xF7};
    const auto records = test::DistinctRecords();
    const Bytes twoPatches = Concat(
        {test::Dt1Patches(records, {63}, {384}), test::Dt1Patches(records, {0}, {256, 128})});
    const Bytes notes{0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40, 0x00, 0xFF, 0x01, 0x01, 0x41};
    std::vector<std::pair<std::string, Bytes>> seeds{
        {"dump", dump},
        {"dump-device-7f", test::DumpBytes(test::DistinctRecords(), 0x7F)},
        {"prefixed", Concat({request, otherModel, {0x00, 0xF7}, dump})},
        {"f0-f0", Concat({{0xF0}, dump})},
        {"cut", Head(dump, dump.size() - 100)},
        {"one-block", Head(dump, kPairBlockSize)},
        {"two-blocks-and-a-bit", Head(dump, 2 * kPairBlockSize + 300)},
        {"33-blocks", Concat({dump, Head(dump, kPairBlockSize)})},
        {"f7-first", Concat({mark, {0xF7}, Bytes(400, 0x11)})},
        {"headers-everywhere", Concat({mark, Bytes(20, 0x22), {0xF0}, Bytes(7, 0), {0xF7, 0xF0}})},
        {"request", request},
        {"mark-only", Head(mark, 6)},
        {"two-patches", twoPatches},
        {"small-midi-file",
         test::MidiFile(1, {notes, Concat({notes, test::SysexEvents(twoPatches, 50), notes})})},
    };
    int number = 0;
    for (auto& file : test::LayoutFiles()) {
        seeds.emplace_back("layout-" + std::to_string(number++), std::move(file.bytes));
    }
    return seeds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : Seeds()) {
        std::ofstream out(folder / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", (folder / name).c_str());
            return 1;
        }
    }
    return 0;
}
