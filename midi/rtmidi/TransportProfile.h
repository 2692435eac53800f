#pragma once
// What a port must allow for on each transport.
//
// JACK: an output hands its messages to JACK's process thread through a 16,384-byte ring
// buffer that also holds a 4-byte length per message and keeps one byte free, so one
// message of more than 16,379 bytes can never pass. The ALSA sequencer (and the other
// APIs) carry any length.
#include <cstddef>
#include <limits>

#include <rtmidi/RtMidi.h>

namespace tessel::midi {

struct TransportProfile {
    std::size_t maxMessage = std::numeric_limits<std::size_t>::max();
};

inline constexpr std::size_t kJackMaxMessage = 16'379;

inline TransportProfile ProfileFor(RtMidi::Api api) {
    if (api == RtMidi::UNIX_JACK) {
        return {kJackMaxMessage};
    }
    return {};
}

}  // namespace tessel::midi
