// Arbitrary bytes as the contents of a dump file, read by the in-memory readers.

#include "tests/fuzz/FuzzChecks.h"

using namespace tessel::format;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto start = FindDumpStartInBytes(bytes);
    const auto names = ReadPatchNamesFromBytes(bytes);
    fuzz::CheckStartAndNames(bytes, start, names);
    fuzz::CheckHeldPatches(bytes, names, fuzz::RecordIndices(bytes, names.size()));
    const auto report = CheckMessagesInBytes(bytes);
    fuzz::Require(report.messages <= size / 2, "more messages than F0 F7 pairs fit");
    for (const auto& problem : report.problems) {
        fuzz::Require(problem.offset < size && data[problem.offset] == 0xF0, "problem at an F0");
        fuzz::Require(problem.expected < 0x80, "an expected checksum above 7F");
    }
    return 0;
}
