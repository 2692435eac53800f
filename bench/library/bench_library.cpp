// Benchmark helper for the dump library.
//   tessel_bench_library make FOLDER COUNT [pairs]
//                                            writes COUNT dump files of invented patches, in
//                                            the standard layout or, with "pairs", in one
//                                            256-byte and one 128-byte message a patch
//   tessel_bench_library refresh FOLDER RUNS times ListDumpFiles + ReadPatchNames of the first
//                                            file, as the window's refresh does, and prints
//                                            the median in microseconds
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "library/format/DumpFile.h"
#include "library/format/RolandMessage.h"

namespace {

using namespace tessel::format;
namespace fs = std::filesystem;

const char* const kWords[] = {"Warm",   "Pad",    "Brass", "Strings", "Bell",  "Digital",
                              "Choir",  "Sweep",  "Bass",  "Lead",    "Soft",  "Glass",
                              "Organ",  "Piano",  "Harp",  "Voices",  "Space", "Synth",
                              "Attack", "Breath", "Pluck", "Dream",   "Dark",  "Bright"};
constexpr std::size_t kWordCount = sizeof kWords / sizeof kWords[0];

std::string RandomName(std::mt19937& random) {
    std::string name = kWords[random() % kWordCount];
    name += ' ';
    name += kWords[random() % kWordCount];
    name.resize(kPatchNameSize, ' ');
    return name;
}

// One message of 256 and one of 128 data bytes a patch, as other librarians write them.
Bytes PairsLayout(const std::array<PatchRecord, kPatchCount>& records) {
    Bytes bytes;
    for (std::size_t i = 0; i < kPatchCount; ++i) {
        const std::span<const std::uint8_t> record(records[i]);
        const auto offset = static_cast<std::uint32_t>(i * kPatchRecordSize);
        for (const Bytes& message :
             {BuildDt1(kDefaultDeviceByte, AddressPlus(kPatchMemoryAddress, offset),
                       record.first(256)),
              BuildDt1(kDefaultDeviceByte, AddressPlus(kPatchMemoryAddress, offset + 256),
                       record.subspan(256))}) {
            bytes.insert(bytes.end(), message.begin(), message.end());
        }
    }
    return bytes;
}

Bytes RandomDump(std::mt19937& random, bool pairs) {
    std::array<PatchRecord, kPatchCount> records{};
    for (auto& record : records) {
        const std::string name = RandomName(random);
        std::copy(name.begin(), name.end(), record.begin());
        for (std::size_t b = kPatchNameSize; b < kPatchRecordSize; ++b) {
            record[b] = static_cast<std::uint8_t>(random() % 128);
        }
    }
    return pairs ? PairsLayout(records) : BuildPatchMemoryDumpFile(kDefaultDeviceByte, records);
}

// One file in 20 is cut short, one in 10 has other messages before the dump.
Bytes RealisticFile(std::mt19937& random, int number, bool pairs) {
    Bytes bytes = RandomDump(random, pairs);
    if (number % 20 == 7) {
        bytes.resize(random() % bytes.size());
    } else if (number % 10 == 3) {
        const Bytes gsReset{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
        const Bytes request = BuildDumpRequest(kDefaultDeviceByte, kTemporaryPatchAddress);
        bytes.insert(bytes.begin(), request.begin(), request.end());
        bytes.insert(bytes.begin(), gsReset.begin(), gsReset.end());
    }
    return bytes;
}

int Make(const fs::path& folder, int count, bool pairs) {
    std::mt19937 random(800);
    fs::create_directories(folder);
    for (int n = 0; n < count; ++n) {
        const Bytes bytes = RealisticFile(random, n, pairs);
        char name[64];
        std::snprintf(name, sizeof name, "%s %05d.%s", kWords[n % kWordCount], n,
                      n % 5 == 0 ? "SYX" : "syx");
        std::ofstream out(folder / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
            return 1;
        }
    }
    return 0;
}

int Refresh(const fs::path& folder, int runs) {
    std::vector<double> micros;
    std::size_t names = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const auto files = ListDumpFiles(folder);
        names = files.empty() ? 0 : ReadPatchNames(folder / files.front()).size();
        const auto stop = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("%.0f us median refresh (%d runs, %zu names in the first file)\n",
                micros[micros.size() / 2], runs, names);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if ((args.size() == 3 || (args.size() == 4 && args[3] == "pairs")) && args[0] == "make") {
        return Make(args[1], std::stoi(args[2]), args.size() == 4);
    }
    if (args.size() == 3 && args[0] == "refresh") {
        return Refresh(args[1], std::stoi(args[2]));
    }
    std::fprintf(stderr,
                 "usage: tessel_bench_library make FOLDER COUNT [pairs] | refresh FOLDER RUNS\n");
    return 2;
}
