#include "midi/rtmidi/RtMidiErrors.h"

#include <utility>

namespace tessel::midi {

void RtMidiErrorSink::Attach(RtMidi& rtmidi) {
    rtmidi.setErrorCallback(&RtMidiErrorSink::Receive, this);
}

std::optional<RtMidiReport> RtMidiErrorSink::Take() {
    std::lock_guard lock(lock_);
    return std::exchange(first_, std::nullopt);
}

void RtMidiErrorSink::Receive(RtMidiError::Type type, const std::string& text, void* sink) {
    auto* self = static_cast<RtMidiErrorSink*>(sink);
    std::lock_guard lock(self->lock_);
    if (!self->first_) {
        self->first_ = RtMidiReport{type, text};
    }
}

MidiResult ResultFor(RtMidiError::Type type) {
    switch (type) {
        case RtMidiError::NO_DEVICES_FOUND:
        case RtMidiError::INVALID_DEVICE:
        case RtMidiError::INVALID_PARAMETER:
            return MidiError::kBadDeviceId;
        case RtMidiError::MEMORY_ERROR:
            return MidiError::kNoMemory;
        case RtMidiError::DRIVER_ERROR:
        case RtMidiError::SYSTEM_ERROR:
            return MidiError::kNoDriver;
        case RtMidiError::INVALID_USE:
            return MidiError::kInvalidHandle;
        default:
            return MidiError::kError;
    }
}

}  // namespace tessel::midi
