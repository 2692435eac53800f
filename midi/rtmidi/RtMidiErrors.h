#pragma once
// RtMidi reports problems through an error callback once one is installed (otherwise it
// prints warnings to stderr and throws errors). Each RtMidi object Tessel makes gets an
// RtMidiErrorSink, so that a report made during a call can be turned into a MIDI result
// instead of a message on the console. The sink must outlive the RtMidi object.
#include <mutex>
#include <optional>
#include <string>

#include <rtmidi/RtMidi.h>

#include "midi/service/MidiService.h"

namespace tessel::midi {

struct RtMidiReport {
    RtMidiError::Type type;
    std::string text;
};

class RtMidiErrorSink {
public:
    void Attach(RtMidi& rtmidi);
    // The first report since the last call, if any; the reports are then forgotten.
    std::optional<RtMidiReport> Take();

private:
    static void Receive(RtMidiError::Type type, const std::string& text, void* sink);

    std::mutex lock_;  // RtMidi's ALSA input thread may report too
    std::optional<RtMidiReport> first_;
};

// The service result that stands for an RtMidi error type.
MidiResult ResultFor(RtMidiError::Type type);

}  // namespace tessel::midi
