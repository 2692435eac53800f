#pragma once
// The MIDI service on RtMidi: the ports of every RtMidi API that works on this machine
// (ALSA sequencer and JACK on Linux; WinMM, CoreMIDI elsewhere), numbered in that order.
//
// An API that cannot start is left out: RtMidi's ALSA API throws when there is no
// sequencer (and never falls back to JACK), so it is not even tried without the sequencer
// device, and is dropped for good when it throws all the same; with no JACK server the
// JACK API simply lists nothing. A machine with neither has no devices. JACK ports are
// listed and opened through Tessel's one JACK client (JackSupport.h), not through RtMidi.
//
// A device count query lists the ports afresh (a JACK listing may cost a client connection,
// some 30 ms) unless the last listing is less than a second old: a caller that counts
// again before each caps query and each open (as a composite service does) then sees one
// list throughout. The caps queries and an open use the list of the last count, so device
// numbers stay consistent between them. An open finds the listed port again by its name.
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "midi/service/MidiService.h"

namespace tessel::midi {

struct RtMidiDevice;  // one listed port

class RtMidiBackend final : public MidiService {
public:
    // Every API RtMidi was compiled with, in RtMidi's order.
    RtMidiBackend();
    // Only the APIs named as RtMidi names them ("alsa", "jack", ...); unknown names are ignored.
    explicit RtMidiBackend(const std::vector<std::string>& apiNames);
    ~RtMidiBackend() override;

    unsigned InGetNumDevs() override;
    unsigned OutGetNumDevs() override;
    MidiResult InGetDevCaps(unsigned device, std::string& productName) override;
    MidiResult OutGetDevCaps(unsigned device, std::string& productName) override;
    MidiResult InOpen(std::unique_ptr<MidiInPort>& port, unsigned device,
                      MidiNoticeTarget& target) override;
    MidiResult OutOpen(std::unique_ptr<MidiOutPort>& port, unsigned device,
                       MidiNoticeTarget& target) override;

    static constexpr std::chrono::seconds kListingFreshFor{1};

private:
    enum class Direction { In, Out };
    struct Listing;

    unsigned Count(Direction direction);
    MidiResult Caps(Direction direction, unsigned device, std::string& productName);
    bool Lookup(Direction direction, unsigned device, RtMidiDevice& found);
    void RelistLocked(Direction direction);
    std::vector<RtMidiDevice>& Devices(Direction direction);
    std::optional<std::chrono::steady_clock::time_point>& ListedAt(Direction direction);

    std::mutex lock_;
    std::unique_ptr<Listing> listing_;
};

// The service to list before the built-in virtual instrument.
std::unique_ptr<MidiService> CreateRtMidiService();

}  // namespace tessel::midi
