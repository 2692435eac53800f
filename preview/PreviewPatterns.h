#pragma once
// The three patterns a preview run plays, and the controllers that close every run. All
// pauses are waits on the run's stop signal, scheduled from the run's start so that late
// wake-ups do not add up; a stop ends the pattern at its current pause, and a note already
// sounding still gets its note-off.
#include <chrono>
#include <cstdint>

#include "preview/Motifs.h"
#include "preview/PreviewValues.h"
#include "core/threads/RunSignal.h"

namespace tessel::midi {
class MidiPortLayer;
}

namespace tessel::preview {

// What a pattern plays with: the values the window may change meanwhile, read afresh where
// they are used and made harmless (a stored value may lie outside the track bars' ranges),
// the output port on the configured channel, and the run's stop signal.
class RunContext {
public:
    using Clock = RunSignal::Clock;

    RunContext(const PreviewValues& values, midi::MidiPortLayer& ports, RunSignal& stop);

    int Range() const;     // as stored
    int Velocity() const;  // limited to 0..127
    int Tempo() const;     // 40 for a stored 0 or less (the track bar's lowest)

    // A note-on or note-off at the current Velocity; nothing for a note outside 0..127.
    void SendNote(std::uint8_t kind, std::int64_t note);
    void SendController(std::uint8_t controller, std::uint8_t value);
    // A stored message of any channel as a channel message on the configured channel, data
    // bytes cut to 7 bits; nothing for a status byte below 80h or of F0h and above.
    void SendReplayed(std::uint32_t stored);
    // True when the stop signal ended the pause.
    bool PauseUntil(Clock::time_point deadline) { return stop_.WaitUntil(deadline); }

private:
    const PreviewValues& values_;
    midi::MidiPortLayer& ports_;
    RunSignal& stop_;
};

// One note, (Range + 1) x 12, held one beat.
void PlayOneNote(RunContext& run);
// Up the interval table from a base note fixed at the start, as far as 4 x Range (read at
// every step, at most the table's top), and back down to the base; each note a sixteenth.
void PlayArpeggio(RunContext& run);
// Every event at its time from the start; events already due go out at once.
void PlayMotif(RunContext& run, const Motif& motif);
// All Notes Off and All Sound Off; after a motif also Reset All Controllers and the channel
// volume back to full.
void SendClosingControllers(RunContext& run, bool afterMotif);

}  // namespace tessel::preview
