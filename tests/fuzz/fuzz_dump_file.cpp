// Arbitrary bytes written to a file and read through the file buffer with chunk sizes that put
// marks, blocks, headers and records across refills: the answers must equal the in-memory ones.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "library/format/FileWindow.h"
#include "library/format/MessageCheck.h"
#include "tests/fuzz/FuzzChecks.h"

using namespace tessel::format;

namespace {

// One in-memory file for the whole run, reached through its /proc path like any file.
const std::string& ScratchPath() {
    static const std::string path = [] {
        const int descriptor = memfd_create("tessel-fuzz", MFD_CLOEXEC);
        fuzz::Require(descriptor >= 0, "memfd_create");
        return "/proc/self/fd/" + std::to_string(descriptor);
    }();
    return path;
}

void Store(std::span<const std::uint8_t> bytes) {
    const int descriptor = ::open(ScratchPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    fuzz::Require(descriptor >= 0, "open scratch file");
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t got = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        fuzz::Require(got > 0, "write scratch file");
        written += static_cast<std::size_t>(got);
    }
    ::close(descriptor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the chunk size, the rest is the file.
    const std::size_t chunk = std::size_t{data[0]} * 7 + 1;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    Store(bytes);

    const auto names = ReadPatchNamesFromBytes(bytes);
    FileWindow forStart(ScratchPath(), chunk);
    fuzz::Require(detail::FindDumpStartIn(forStart) == FindDumpStartInBytes(bytes), "same start");
    FileWindow forNames(ScratchPath(), chunk);
    fuzz::Require(detail::ReadPatchNamesIn(forNames) == names, "same names");
    for (int index : fuzz::RecordIndices(bytes, names.size())) {
        FileWindow forRecord(ScratchPath(), chunk);
        fuzz::Require(
            detail::ReadPatchRecordIn(forRecord, index) == ReadPatchRecordFromBytes(bytes, index),
            "same record");
    }
    std::error_code error;
    fuzz::Require(CheckMessages(ScratchPath(), error) == CheckMessagesInBytes(bytes) && !error,
                  "same message report");
    return 0;
}
