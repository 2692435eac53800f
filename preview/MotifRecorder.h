#pragma once
// Records the channel messages arriving at the MIDI input into one motif, with the time each
// arrived at the port, so that a window busy meanwhile does not shift the rhythm played. The
// first event is time 0: the silence before it is not recorded. Used on the window thread.
#include <cstdint>

#include "midi/service/MidiService.h"
#include "preview/Motifs.h"

namespace tessel::preview {

class MotifRecorder {
public:
    // A motif holds at most this many events, so that its ending -1 always fits.
    static constexpr int kMaxEvents = kMotifLength - 1;

    explicit MotifRecorder(MotifBank& motifs);

    // Records into motif `slot` (0..7) from the next event on; its old content stays until
    // then. False, and nothing changes, for another slot or while recording.
    bool StartRecording(int slot);
    // True when a recording was running: the motifs are then to be saved.
    bool StopRecording();
    bool Recording() const { return recording_; }
    int EventsRecorded() const { return recordCount_; }

    // Stores a channel message while recording, up to kMaxEvents; system messages (status F0h
    // and above: clock, active sensing ...) are never stored. True when stored.
    bool CaptureEvent(std::uint32_t message, midi::ArrivalTime arrived);

private:
    std::int32_t TimeOf(midi::ArrivalTime arrived) const;

    MotifBank& motifs_;
    bool recording_ = false;
    int recordSlot_ = 0;
    int recordCount_ = 0;
    midi::ArrivalTime recordStart_{};
};

}  // namespace tessel::preview
