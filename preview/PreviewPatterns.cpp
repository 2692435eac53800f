#include "preview/PreviewPatterns.h"

#include <algorithm>
#include <array>

#include "midi/ports/MidiPortLayer.h"

namespace tessel::preview {
namespace {

using std::chrono::milliseconds;
namespace status = midi::status;

// Semitones above the arpeggio's base: 0, 4, 5 and 9 for each octave 0..6, then 84.
constexpr std::array<int, 29> kArpeggioIntervals = {0,  4,  5,  9,  12, 16, 17, 21, 24, 28,
                                                    29, 33, 36, 40, 41, 45, 48, 52, 53, 57,
                                                    60, 64, 65, 69, 72, 76, 77, 81, 84};
constexpr std::int64_t kTopInterval = std::int64_t(kArpeggioIntervals.size()) - 1;

constexpr int kSlowestTempo = 40;
constexpr int kMaxDataByte = 0x7F;
constexpr std::uint32_t kFirstSystemStatus = 0xF0;

namespace controller {
constexpr std::uint8_t kVolume = 7;
constexpr std::uint8_t kAllSoundOff = 120;
constexpr std::uint8_t kResetAllControllers = 121;
constexpr std::uint8_t kAllNotesOff = 123;
}  // namespace controller

// The ascent goes on while i < 4 x Range, and stops at the table's top so that the descent
// can start from the entry after the last one played.
std::int64_t AscentBound(int range) {
    return std::clamp<std::int64_t>(4 * std::int64_t(range), 0, kTopInterval);
}

// One arpeggio note from `at`: note-on, two thirds of a sixteenth sounding, a third silent.
// `at` moves on to the next note's time. False when a stop ended a pause.
bool PlayArpeggioNote(RunContext& run, std::int64_t note, RunContext::Clock::time_point& at) {
    const int step = 15000 / run.Tempo();
    run.SendNote(status::kNoteOn, note);
    at += milliseconds(2 * step / 3);
    const bool stopped = run.PauseUntil(at);
    run.SendNote(status::kNoteOff, note);
    if (stopped) {
        return false;
    }
    at += milliseconds(step / 3);
    return !run.PauseUntil(at);
}

}  // namespace

RunContext::RunContext(const PreviewValues& values, midi::MidiPortLayer& ports, RunSignal& stop)
    : values_(values), ports_(ports), stop_(stop) {}

int RunContext::Range() const {
    return values_.previewRange;
}

int RunContext::Velocity() const {
    return std::clamp(values_.previewVelocity.load(), 0, kMaxDataByte);
}

int RunContext::Tempo() const {
    const int tempo = values_.previewTempo;
    return tempo > 0 ? tempo : kSlowestTempo;
}

void RunContext::SendNote(std::uint8_t kind, std::int64_t note) {
    if (note >= 0 && note <= kMaxDataByte) {
        ports_.SendShortMessage(midi::PackShortMessage(
            ports_.ChannelStatus(kind), std::uint8_t(note), std::uint8_t(Velocity())));
    }
}

void RunContext::SendController(std::uint8_t controller, std::uint8_t value) {
    ports_.SendShortMessage(
        midi::PackShortMessage(ports_.ChannelStatus(status::kControlChange), controller, value));
}

void RunContext::SendReplayed(std::uint32_t stored) {
    const std::uint32_t storedStatus = stored & 0xFF;
    if (storedStatus < status::kNoteOff || storedStatus >= kFirstSystemStatus) {
        return;
    }
    ports_.SendShortMessage(midi::PackShortMessage(ports_.ChannelStatus(std::uint8_t(storedStatus)),
                                                   std::uint8_t(stored >> 8 & kMaxDataByte),
                                                   std::uint8_t(stored >> 16 & kMaxDataByte)));
}

void PlayOneNote(RunContext& run) {
    const std::int64_t note = (std::int64_t(run.Range()) + 1) * 12;
    const auto end = RunContext::Clock::now() + milliseconds(60000 / run.Tempo());
    run.SendNote(status::kNoteOn, note);
    run.PauseUntil(end);
    run.SendNote(status::kNoteOff, note);
}

void PlayArpeggio(RunContext& run) {
    const int range = run.Range();
    if (range <= 0) {
        return;
    }
    const std::int64_t base = 60 - 12 * ((std::int64_t(range) - 1) / 2);
    auto at = RunContext::Clock::now();
    std::int64_t i = 0;
    for (; i < AscentBound(run.Range()); ++i) {
        if (!PlayArpeggioNote(run, base + kArpeggioIntervals[std::size_t(i)], at)) {
            return;
        }
    }
    for (; i >= 0; --i) {
        if (!PlayArpeggioNote(run, base + kArpeggioIntervals[std::size_t(i)], at)) {
            return;
        }
    }
}

void PlayMotif(RunContext& run, const Motif& motif) {
    const auto start = RunContext::Clock::now();
    for (std::size_t k = 0; k < motif.times.size(); ++k) {
        const std::int32_t time = motif.times[k].load(std::memory_order_acquire);
        if (time < 0) {
            return;
        }
        const auto due = start + milliseconds(time);
        if (due > RunContext::Clock::now() && run.PauseUntil(due)) {
            return;
        }
        run.SendReplayed(motif.messages[k].load(std::memory_order_relaxed));
    }
}

void SendClosingControllers(RunContext& run, bool afterMotif) {
    run.SendController(controller::kAllNotesOff, 0);
    run.SendController(controller::kAllSoundOff, 0);
    if (afterMotif) {
        run.SendController(controller::kResetAllControllers, 0);
        run.SendController(controller::kVolume, kMaxDataByte);
    }
}

}  // namespace tessel::preview
