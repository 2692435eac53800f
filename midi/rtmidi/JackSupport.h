#pragma once
// Tessel's JACK ports, on libjack itself rather than on RtMidi's JACK API.
//
// libjack keeps every client of the process in one table, and once the server has died,
// the next jack_client_open in the process closes and frees every client still in it. A
// second client opened after a death thus pulls the first one away under whoever holds it
// (RtMidi opens a client for every port and every listing, and tells no one of a death).
// So the process has one JACK client at most: it lists the ports and carries every port
// Tessel opens. When the server dies the client is marked gone and never called again; its
// memory is kept, since libjack's threads may still hold its address. The next listing or
// open makes a new client, and ports of the gone one close without calling into it.
//
// An output holds its messages until its connection is part of the graph JACK runs, so
// that the first messages after an open are not handed to a port nobody reads yet.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "midi/service/MidiService.h"

namespace tessel::midi {

// libjack prints every failed connection attempt ("Cannot connect to server socket ...")
// on the console. Listing the ports of a machine without a JACK server is normal for
// Tessel, so those messages are dropped.
void QuietJackMessages();

// True when Tessel was built with libjack.
bool JackBuiltIn();

// The full names ("client:port") of the MIDI ports Tessel could read from (`sources`) or
// write to; empty when no server runs.
std::vector<std::string> ListJackPorts(bool sources);

struct JackLink;  // one port of the client and what its process thread serves

// Our output port, connected to another client's input.
class JackOutput {
public:
    // kBadDeviceId when `target` is not there, kNoDriver when no server answers.
    static MidiResult Open(const std::string& target, std::unique_ptr<JackOutput>& output);
    // Lets queued messages leave (at most half a second), then closes the port.
    ~JackOutput();
    JackOutput(const JackOutput&) = delete;
    JackOutput& operator=(const JackOutput&) = delete;

    // Queues one whole message for the next process cycle; kNoDevice once the server has
    // gone, kNotReady when the queue stays full for 2 s.
    MidiResult Send(std::span<const std::uint8_t> message);

private:
    explicit JackOutput(std::unique_ptr<JackLink> link);
    std::unique_ptr<JackLink> link_;
};

// Our input port, connected from another client's output. `receive` runs on JACK's
// process thread with each whole message (a System Exclusive message split over several
// events comes joined); Timing Clock, Time Code and Active Sensing are left out.
class JackInput {
public:
    using Receiver = std::function<void(std::span<const std::uint8_t>, ArrivalTime)>;
    // Returns once the connection carries messages, so that an answer to the next request
    // is not missed.
    static MidiResult Open(const std::string& source, Receiver receive,
                           std::unique_ptr<JackInput>& input);
    // No message is delivered once this has returned.
    ~JackInput();
    JackInput(const JackInput&) = delete;
    JackInput& operator=(const JackInput&) = delete;

private:
    explicit JackInput(std::unique_ptr<JackLink> link);
    std::unique_ptr<JackLink> link_;
};

}  // namespace tessel::midi
