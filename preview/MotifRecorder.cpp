#include "preview/MotifRecorder.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

namespace tessel::preview {
namespace {

constexpr std::uint32_t kFirstSystemStatus = 0xF0;

}  // namespace

MotifRecorder::MotifRecorder(MotifBank& motifs) : motifs_(motifs) {}

bool MotifRecorder::StartRecording(int slot) {
    if (recording_ || motifs_.Find(slot) == nullptr) {
        return false;
    }
    recording_ = true;
    recordSlot_ = slot;
    recordCount_ = 0;
    return true;
}

bool MotifRecorder::StopRecording() {
    return std::exchange(recording_, false);
}

bool MotifRecorder::CaptureEvent(std::uint32_t message, midi::ArrivalTime arrived) {
    if (!recording_ || recordCount_ >= kMaxEvents || (message & 0xFF) >= kFirstSystemStatus) {
        return false;
    }
    if (recordCount_ == 0) {
        recordStart_ = arrived;
    }
    Motif& motif = *motifs_.Find(recordSlot_);
    const auto k = std::size_t(recordCount_);
    // The new end first and the time last: a run replaying meanwhile sees the motif either
    // without this event or with it whole.
    motif.times[k + 1].store(kMotifEnd, std::memory_order_release);
    motif.messages[k].store(message, std::memory_order_relaxed);
    motif.times[k].store(TimeOf(arrived), std::memory_order_release);
    ++recordCount_;
    return true;
}

// Milliseconds since the first event; never negative, which would end the motif early.
std::int32_t MotifRecorder::TimeOf(midi::ArrivalTime arrived) const {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(arrived - recordStart_).count();
    return std::int32_t(
        std::clamp<std::int64_t>(elapsed, 0, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace tessel::preview
