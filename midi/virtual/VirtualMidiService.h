#pragma once
// The virtual instrument as a MIDI service: one input device and one output device, both
// named "Tessel Virtual JD-800". Each may be open once at a time.
#include <memory>

#include "midi/service/CompositeMidiService.h"
#include "midi/service/MidiService.h"
#include "midi/virtual/VirtualJd800.h"

namespace tessel::midi {

class VirtualMidiService final : public MidiService {
public:
    explicit VirtualMidiService(bool wireTiming = true);

    VirtualJd800& Instrument() { return *instrument_; }

    unsigned InGetNumDevs() override;
    unsigned OutGetNumDevs() override;
    MidiResult InGetDevCaps(unsigned device, std::string& productName) override;
    MidiResult OutGetDevCaps(unsigned device, std::string& productName) override;
    MidiResult InOpen(std::unique_ptr<MidiInPort>& port, unsigned device,
                      MidiNoticeTarget& target) override;
    MidiResult OutOpen(std::unique_ptr<MidiOutPort>& port, unsigned device,
                       MidiNoticeTarget& target) override;

private:
    // Shared with the open ports, so that a port closed after the service stays safe.
    std::shared_ptr<VirtualJd800> instrument_;
};

// The service the application uses: the platform's devices (the RtMidi backend) first, the
// virtual instrument last. `platform` may be null (no platform devices).
struct AssembledMidiService {
    std::unique_ptr<CompositeMidiService> service;
    VirtualMidiService* virtualInstrument = nullptr;  // owned by `service`
};
AssembledMidiService AssembleMidiService(std::unique_ptr<MidiService> platform,
                                         bool wireTiming = true);

}  // namespace tessel::midi
