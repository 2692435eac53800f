#pragma once
// What the RtMidi backend needs from libjack itself. Both do nothing useful when Tessel is
// built without libjack; JackCycles then waits by the clock instead.
#include <chrono>
#include <memory>

namespace tessel::midi {

// libjack prints every failed connection attempt ("Cannot connect to server socket ...")
// on the console. Listing the ports of a machine without a JACK server is normal for
// Tessel, so those messages are dropped.
void QuietJackMessages();

// Counts JACK process cycles through a client of its own (never activated, so it takes no
// part in the cycles). A new connection carries messages from the cycle after it was made,
// and a message RtMidi has queued leaves in the next cycle; waiting for cycles rather than
// for a fixed time holds however slowly the server runs.
class JackCycles {
public:
    JackCycles();
    ~JackCycles();
    JackCycles(const JackCycles&) = delete;
    JackCycles& operator=(const JackCycles&) = delete;

    // Returns once `count` cycles have begun after the call, or after `limit`. Without a
    // server to ask, sleeps for `fallback` (at most `limit`).
    void Wait(int count, std::chrono::milliseconds limit, std::chrono::milliseconds fallback) const;

private:
    struct Client;
    std::unique_ptr<Client> client_;
};

}  // namespace tessel::midi
