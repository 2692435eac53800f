#pragma once
// What a port must allow for on each RtMidi transport.
//
// JACK: RtMidi hands outgoing messages to JACK's process thread through a 16,384-byte ring
// buffer that also holds a 4-byte length per message and keeps one byte free, so one
// message of more than 16,379 bytes can never pass and RtMidi drops it without a word.
// A new connection carries messages only from a later process cycle, and messages still
// in the ring buffer or in the current cycle's port buffer are lost when the port goes; so
// an open returns only once two cycles have begun, and a close first lets three cycles
// pass after the last message. Finally, RtMidi frees the output's ring buffer before it
// stops the JACK client, so a process cycle already running when the port is closed could
// read freed memory: the port is closed first and the object destroyed cycles later.
//
// The ALSA sequencer (and the other APIs) deliver synchronously and carry any length.
#include <cstddef>
#include <limits>

#include <rtmidi/RtMidi.h>

namespace tessel::midi {

struct TransportProfile {
    std::size_t maxMessage = std::numeric_limits<std::size_t>::max();
    // Connections, deliveries and closes wait for process cycles (JackCycles).
    bool waitsForCycles = false;
};

inline constexpr std::size_t kJackMaxMessage = 16'379;

inline TransportProfile ProfileFor(RtMidi::Api api) {
    if (api == RtMidi::UNIX_JACK) {
        return {kJackMaxMessage, true};
    }
    return {};
}

}  // namespace tessel::midi
