// Writes the seed corpus for the dump fuzzers: fuzz_seeds FOLDER. The seeds are the files of
// the reading tests, and a small MIDI file of two patches by address among other events.
#include <cstdio>

#include "tests/format/DumpFixtures.h"

using namespace tessel::format;
using namespace tessel::format::test;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const Records records = DistinctRecords();
    const Bytes two =
        Concat({Dt1Patches(records, {63}, {384}), Dt1Patches(records, {0}, {256, 128})});
    const Bytes notes{0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40, 0x00, 0xFF, 0x01, 0x01, 0x41};
    std::vector<Bytes> seeds{MidiFile(1, {notes, Concat({notes, SysexEvents(two, 50), notes})})};
    for (const auto& c : DumpCases()) {
        seeds.push_back(std::get<1>(c));
    }
    for (const auto& file : LayoutFiles()) {
        seeds.push_back(file.bytes);
    }
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream out(folder / ("seed-" + std::to_string(i)), std::ios::binary);
        out.write(reinterpret_cast<const char*>(seeds[i].data()), std::streamsize(seeds[i].size()));
        if (!out.flush()) {
            std::fprintf(stderr, "fuzz_seeds: cannot write into %s\n", folder.c_str());
            return 1;
        }
    }
    return 0;
}
