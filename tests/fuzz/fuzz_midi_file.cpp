// Arbitrary bytes read as a Standard MIDI File: the reading stays inside the bytes, takes
// its exclusive bytes only from them, and the dump readers see in the file what they see in
// those exclusive bytes.

#include "tests/fuzz/FuzzChecks.h"

using namespace tessel::format;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const MidiFileSysex file = ReadMidiFileSysex(bytes);
    fuzz::Require(file.stream.size() <= size, "more exclusive bytes than the file holds");
    for (std::size_t i = 0; i < file.stream.size(); ++i) {
        const std::uint64_t at = file.FileOffset(i);
        fuzz::Require(at < size && data[at] == file.stream[i],
                      "an exclusive byte not from the file");
    }
    for (const auto& damage : file.info.damage) {
        fuzz::Require(damage.offset <= size, "damage past the end");
    }
    if (IsMidiFile(bytes) && !IsMidiFile(file.stream)) {
        const auto names = ReadPatchNamesFromBytes(bytes);
        fuzz::Require(names == ReadPatchNamesFromBytes(file.stream),
                      "the file's names are its events'");
        fuzz::CheckHeldPatches(bytes, names, fuzz::RecordIndices(bytes, names.size()));
    }
    return 0;
}
