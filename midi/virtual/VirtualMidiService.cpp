#include "midi/virtual/VirtualMidiService.h"

#include "midi/virtual/VirtualPorts.h"

namespace tessel::midi {

VirtualMidiService::VirtualMidiService(bool wireTiming)
    : instrument_(std::make_shared<VirtualJd800>(wireTiming)) {}

unsigned VirtualMidiService::InGetNumDevs() {
    return 1;
}

unsigned VirtualMidiService::OutGetNumDevs() {
    return 1;
}

MidiResult VirtualMidiService::InGetDevCaps(unsigned device, std::string& productName) {
    if (device != 0) {
        return MidiError::kBadDeviceId;
    }
    productName = kVirtualDeviceName;
    return MidiError::kNoError;
}

MidiResult VirtualMidiService::OutGetDevCaps(unsigned device, std::string& productName) {
    return InGetDevCaps(device, productName);
}

MidiResult VirtualMidiService::InOpen(std::unique_ptr<MidiInPort>& port, unsigned device,
                                      MidiNoticeTarget& target) {
    if (device != 0) {
        return MidiError::kBadDeviceId;
    }
    auto opened = std::make_unique<VirtualInPort>(instrument_, target);
    if (!opened->Connected()) {
        return MidiError::kAllocated;
    }
    port = std::move(opened);
    return MidiError::kNoError;
}

MidiResult VirtualMidiService::OutOpen(std::unique_ptr<MidiOutPort>& port, unsigned device,
                                       MidiNoticeTarget& target) {
    if (device != 0) {
        return MidiError::kBadDeviceId;
    }
    if (!instrument_->ConnectOutput()) {
        return MidiError::kAllocated;
    }
    port = std::make_unique<VirtualOutPort>(instrument_, target);
    return MidiError::kNoError;
}

AssembledMidiService AssembleMidiService(std::unique_ptr<MidiService> platform, bool wireTiming) {
    AssembledMidiService assembled;
    assembled.service = std::make_unique<CompositeMidiService>();
    if (platform) {
        assembled.service->Add(std::move(platform));
    }
    auto instrument = std::make_unique<VirtualMidiService>(wireTiming);
    assembled.virtualInstrument = instrument.get();
    assembled.service->Add(std::move(instrument));
    return assembled;
}

}  // namespace tessel::midi
