#pragma once
// The exclusive messages of a Standard MIDI File (.mid), as a sequencer records a dump:
//   "MThd" length(4) format(2) tracks(2) division(2), then chunks of type(4) length(4) body,
//   the tracks being the chunks of type "MTrk". Numbers are big-endian.
// A track is a run of events, each a delta time followed by one of
//   F0 len data        an exclusive message: F0 and data go to the cable; data without a
//                      closing F7 goes on in the F7 events that follow
//   F7 len data        the next part of that message, or else bytes sent as they stand
//   FF type len data   a meta event; FF 2F ends the track
//   8n..En data        a channel message of one or two data bytes; a data byte where a
//                      status is due repeats the last channel status (running status),
//                      which exclusive and meta events cancel
// Delta times and lengths are variable-length numbers: 7 bits a byte, most significant
// first, the high bit set on every byte but the last, at most four bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "library/format/RolandMessage.h"

namespace tessel::format {

inline constexpr std::size_t kMidiFileMarkSize = 4;  // "MThd"

// True when bytes begin with "MThd".
bool IsMidiFile(std::span<const std::uint8_t> bytes);

// Where a track stopped being read; the events before the damage count.
struct MidiFileDamage {
    enum class Kind {
        shortHeader,        // the header chunk is cut or shorter than six bytes
        chunkPastFileEnd,   // a chunk's length runs past the end of the file
        eventPastChunkEnd,  // an event runs past the end of its track
        longNumber,         // a delta time or length of more than four bytes
        noRunningStatus,    // a data byte where a status is due and none is in effect
        notAnEvent,         // a status byte F1-F6 or F8-FE, which begins no event
    };
    Kind kind;
    std::uint64_t offset;  // of the damaged chunk, event or number

    bool operator==(const MidiFileDamage&) const = default;
};

struct MidiFileInfo {
    int format = 0;  // as the header gives it
    int tracks = 0;  // track chunks read
    std::vector<MidiFileDamage> damage;

    bool operator==(const MidiFileInfo&) const = default;
};

struct MidiFileSysex {
    MidiFileInfo info;
    // The bytes of every exclusive and F7 event of every track, in file order, as they
    // would travel on the cable: F0 events give F0 and their data, F7 events their data.
    Bytes stream;
    // (stream offset, file offset) at the start of every run of stream bytes that lie
    // together in the file, in stream order.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> runs;

    // The file offset a stream byte came from.
    std::uint64_t FileOffset(std::uint64_t streamOffset) const;
};

// Reads a file that IsMidiFile accepts; never reads past the end of bytes.
MidiFileSysex ReadMidiFileSysex(std::span<const std::uint8_t> bytes);

}  // namespace tessel::format
