// Writes the seed corpus for the dump fuzzers: fuzz_seeds FOLDER
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "library/format/DumpFile.h"
#include "library/format/RolandMessage.h"

namespace {

using namespace tessel::format;

Bytes Dump(std::uint8_t device) {
    std::array<PatchRecord, kPatchCount> records{};
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string name = "SEED " + std::to_string(i) + "           ";
        std::copy_n(name.begin(), kPatchNameSize, records[i].begin());
        for (std::size_t b = kPatchNameSize; b < kPatchRecordSize; ++b) {
            records[i][b] = static_cast<std::uint8_t>((i * 31 + b) % 128);
        }
    }
    Bytes bytes;
    for (const Bytes& message : BuildPatchMemoryDump(device, records)) {
        bytes.insert(bytes.end(), message.begin(), message.end());
    }
    return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes Head(const Bytes& bytes, std::size_t size) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
}

std::vector<std::pair<std::string, Bytes>> Seeds() {
    const Bytes dump = Dump(kDefaultDeviceByte);
    const Bytes request = BuildDumpRequest(kDefaultDeviceByte, kPatchMemoryAddress);
    const Bytes mark{0xF0, 0x41, 0x10, 0x3D, 0x12, 0x05, 0x00, 0x00};
    const Bytes otherModel{0xF0, 0x41, 0x10, 0x3E, 0x12, 0x05, 0x00, 0x00, 0x01, 0x7A, 0xF7};
    return {
        {"dump", dump},
        {"dump-device-7f", Dump(0x7F)},
        {"prefixed", Join({request, otherModel, {0x00, 0xF7}, dump})},
        {"f0-f0", Join({{0xF0}, dump})},
        {"cut", Head(dump, dump.size() - 100)},
        {"one-block", Head(dump, kPairBlockSize)},
        {"two-blocks-and-a-bit", Head(dump, 2 * kPairBlockSize + 300)},
        {"33-blocks", Join({dump, Head(dump, kPairBlockSize)})},
        {"f7-first", Join({mark, {0xF7}, Bytes(400, 0x11)})},
        {"headers-everywhere", Join({mark, Bytes(20, 0x22), {0xF0}, Bytes(7, 0), {0xF7, 0xF0}})},
        {"request", request},
        {"mark-only", Head(mark, 6)},
    };
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
