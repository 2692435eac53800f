#pragma once
// Everything a check of one file tells: a Standard MIDI File's container and its damage, the
// layout in which the file holds patch memory, its patches, the problems of its messages and
// the messages the reading passed over. Offsets are file offsets, also in a MIDI file.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

#include "library/format/DumpFile.h"
#include "library/format/MessageCheck.h"
#include "library/format/MidiFile.h"

namespace tessel::format {

// A closed message that put nothing into the patches read (problems are told apart).
struct SkippedMessage {
    enum class Reason {
        beforeDump,          // a DT1 to patch memory before the standard dump start
        notJd800Data,        // another maker, model or command
        outsidePatchMemory,  // a DT1 to another address
        noData,              // a DT1 with only its address and checksum
    };
    std::uint64_t offset;  // of its F0
    Reason reason;
    Address address{};

    bool operator==(const SkippedMessage&) const = default;
};

struct IncompletePatch {
    int index;
    std::size_t bytes;  // of 384 that arrived

    bool operator==(const IncompletePatch&) const = default;
};

struct DumpSurvey {
    std::optional<MidiFileInfo> midiFile;  // set for a Standard MIDI File
    DumpLayout layout = DumpLayout::none;
    std::uint64_t start = 0;       // standard layout: the dump start
    std::size_t patches = 0;       // as ReadPatchNames lists them
    std::size_t dataMessages = 0;  // by address: the DT1 messages that put data
    std::size_t smallestData = 0;  // and the fewest and most data bytes one of them carried
    std::size_t largestData = 0;
    std::vector<IncompletePatch> incomplete;  // by address: patches of which only part arrived
    MessageReport report;
    std::vector<SkippedMessage> skipped;
};

// error set (and the survey empty) when the file cannot be opened or read.
DumpSurvey SurveyDump(const std::filesystem::path& file, std::error_code& error);
DumpSurvey SurveyDumpBytes(std::span<const std::uint8_t> bytes);

}  // namespace tessel::format
