#pragma once
// Plays one preview at a time on a run thread of its own, while the window stays responsive:
// "One note", "Arpege" or one of the eight motifs, on the configured MIDI channel.
//
// A run, its stop signal and its finished signal exist before its thread starts, so a stop
// can never miss a run that is starting. A run that does not finish within the stop's wait
// is not left behind: the next run joins it before playing its first note, so two runs
// never sound at once, and Shutdown joins whatever is left. No run thread is ever detached.
// Used from one thread (the window's).
#include <chrono>
#include <memory>

#include "preview/Motifs.h"
#include "preview/PreviewValues.h"

namespace tessel::midi {
class MidiPortLayer;
}

namespace tessel::preview {

inline constexpr int kOneNote = 0;
inline constexpr int kArpeggio = 1;
inline constexpr int kFirstMotifType = 2;  // types 2..9 play motifs 0..7

class PreviewPlayer {
public:
    static constexpr std::chrono::milliseconds kStopWait{1000};

    PreviewPlayer(const PreviewValues& values, const MotifBank& motifs, midi::MidiPortLayer& ports);
    ~PreviewPlayer();  // Shutdown
    PreviewPlayer(const PreviewPlayer&) = delete;
    PreviewPlayer& operator=(const PreviewPlayer&) = delete;

    // Stops the run playing, then starts one for `previewType` (a type naming no motif plays
    // nothing and closes as a motif does).
    void StartPreview(int previewType);
    // Asks the run playing to stop and waits at most `wait` for it to finish; nothing when
    // none plays.
    void StopPreview(std::chrono::milliseconds wait = kStopWait);
    // StopPreview, then joins every run thread.
    void Shutdown();
    bool Playing() const;

private:
    struct Run;
    void Play(Run& run, int previewType);

    const PreviewValues& values_;
    const MotifBank& motifs_;
    midi::MidiPortLayer& ports_;
    std::unique_ptr<Run> current_;  // the last run started, playing or finished
};

}  // namespace tessel::preview
