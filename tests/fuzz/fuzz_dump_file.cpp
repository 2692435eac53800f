// Arbitrary bytes written to a file and read through the file buffer with chunk sizes that put
// marks, blocks, headers and records across refills: the answers must equal the in-memory ones.
#include <sys/mman.h>

#include <fstream>

#include "tests/fuzz/FuzzChecks.h"

using namespace tessel::format;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One in-memory file for the whole run, reached through its /proc path like any file.
    static const std::string file = [] {
        const int descriptor = memfd_create("tessel-fuzz", MFD_CLOEXEC);
        fuzz::Require(descriptor >= 0, "memfd_create");
        return "/proc/self/fd/" + std::to_string(descriptor);
    }();
    if (size == 0) {
        return 0;
    }
    // The first byte picks the chunk size, the rest is the file.
    const std::size_t chunk = std::size_t{data[0]} * 7 + 1;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

    const auto names = ReadPatchNamesFromBytes(bytes);
    FileWindow forStart(file, chunk), forNames(file, chunk);
    fuzz::Require(detail::FindDumpStartIn(forStart) == FindDumpStartInBytes(bytes), "same start");
    fuzz::Require(detail::ReadPatchNamesIn(forNames) == names, "same names");
    for (int index : fuzz::RecordIndices(bytes, names.size())) {
        FileWindow forRecord(file, chunk);
        fuzz::Require(
            detail::ReadPatchRecordIn(forRecord, index) == ReadPatchRecordFromBytes(bytes, index),
            "same record");
    }
    std::error_code error;
    fuzz::Require(CheckMessages(file, error) == CheckMessagesInBytes(bytes) && !error,
                  "same check");
    return 0;
}
