#pragma once
// What a port must allow for on each RtMidi transport.
//
// JACK: RtMidi hands outgoing messages to JACK's process thread through a 16,384-byte ring
// buffer that also holds a 4-byte length per message and keeps one byte free, so one
// message of more than 16,379 bytes can never pass and RtMidi drops it without a word.
// A new connection takes effect at a later process cycle, and messages still in the ring
// buffer or in the current cycle's port buffer are lost when the port goes; so an output
// holds its first message and an input's open returns only a moment after the connection
// was made, and a close waits until the last message has had time to leave. Finally, RtMidi frees
// the output's ring buffer before it stops the JACK client, so a process cycle that is already
// running when the port is closed may read freed memory: the port is closed first and the object
// destroyed a moment later.
//
// The ALSA sequencer (and the other APIs) deliver synchronously and carry any length.
#include <chrono>
#include <cstddef>
#include <limits>

#include <rtmidi/RtMidi.h>

namespace tessel::midi {

struct TransportProfile {
    std::size_t maxMessage = std::numeric_limits<std::size_t>::max();
    std::chrono::milliseconds connectSettle{0};   // from the open until messages pass
    std::chrono::milliseconds deliverySettle{0};  // from the last message to the close
    std::chrono::milliseconds closeSettle{0};     // from closing the port to destroying it
};

inline constexpr std::size_t kJackMaxMessage = 16'379;

inline TransportProfile ProfileFor(RtMidi::Api api) {
    using std::chrono::milliseconds;
    if (api == RtMidi::UNIX_JACK) {
        return {kJackMaxMessage, milliseconds(20), milliseconds(100), milliseconds(20)};
    }
    return {};
}

}  // namespace tessel::midi
