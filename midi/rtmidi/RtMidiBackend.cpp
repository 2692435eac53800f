#include "midi/rtmidi/RtMidiBackend.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <type_traits>

#include <rtmidi/RtMidi.h>

#include "midi/rtmidi/JackSupport.h"
#include "midi/rtmidi/PortNames.h"
#include "midi/rtmidi/RtMidiErrors.h"
#include "midi/rtmidi/RtMidiPorts.h"

namespace tessel::midi {

struct RtMidiDevice {
    RtMidi::Api api;
    std::string portName;     // as RtMidi names it, to find the port again when opening
    std::string productName;  // as Tessel shows and stores it
};

struct RtMidiBackend::Listing {
    std::vector<RtMidi::Api> apis;
    std::vector<RtMidiDevice> inputs;
    std::vector<RtMidiDevice> outputs;
    std::optional<std::chrono::steady_clock::time_point> inputsListedAt;
    std::optional<std::chrono::steady_clock::time_point> outputsListedAt;
};

namespace {

constexpr char kAlsaSequencerDevice[] = "/dev/snd/seq";

// Without the sequencer device, RtMidi's ALSA API cannot start: it would print ALSA's
// complaint and throw. Such a machine simply has no ALSA ports.
bool AlsaSequencerMissing(RtMidi::Api api) {
    std::error_code ignored;
    return api == RtMidi::LINUX_ALSA && !std::filesystem::exists(kAlsaSequencerDevice, ignored);
}

// JACK goes through Tessel's own client (JackSupport.h), so only when built with libjack.
std::vector<RtMidi::Api> CompiledApis() {
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    std::erase(apis, RtMidi::RTMIDI_DUMMY);
    std::erase_if(apis, AlsaSequencerMissing);
    if (!JackBuiltIn()) {
        std::erase(apis, RtMidi::UNIX_JACK);
    }
    return apis;
}

std::vector<RtMidi::Api> NamedApis(const std::vector<std::string>& names) {
    std::vector<RtMidi::Api> apis;
    const auto compiled = CompiledApis();
    for (const auto& name : names) {
        const auto api = RtMidi::getCompiledApiByName(name);
        if (std::find(compiled.begin(), compiled.end(), api) != compiled.end()) {
            apis.push_back(api);
        }
    }
    return apis;
}

std::string ProductName(RtMidi::Api api, const std::string& portName) {
    return api == RtMidi::LINUX_ALSA ? AlsaProductName(portName) : portName;
}

std::vector<RtMidiDevice> Devices(RtMidi::Api api, const std::vector<std::string>& portNames) {
    std::vector<RtMidiDevice> devices;
    for (const auto& portName : portNames) {
        const std::string productName = ProductName(api, portName);
        if (!portName.empty() && !IsOwnPort(productName)) {
            devices.push_back({api, portName, productName});
        }
    }
    return devices;
}

// The ports of one API other than Tessel's own; `apiFailed` when the API cannot start here.
template <class Rt>
std::vector<RtMidiDevice> ListApiPorts(RtMidi::Api api, bool& apiFailed) {
    if (api == RtMidi::UNIX_JACK) {
        return Devices(api, ListJackPorts(std::is_same_v<Rt, RtMidiIn>));
    }
    std::vector<RtMidiDevice> devices;
    std::unique_ptr<Rt> rtmidi;
    RtMidiErrorSink errors;
    try {
        rtmidi = std::make_unique<Rt>(api, std::string(kOwnClientName));
    } catch (const RtMidiError& error) {
        apiFailed = error.getType() == RtMidiError::DRIVER_ERROR;
        return devices;
    }
    errors.Attach(*rtmidi);
    std::vector<std::string> portNames;
    const unsigned count = rtmidi->getPortCount();
    for (unsigned index = 0; index < count; ++index) {
        portNames.push_back(rtmidi->getPortName(index));
    }
    return Devices(api, portNames);
}

template <class Rt>
std::vector<RtMidiDevice> ListPorts(std::vector<RtMidi::Api>& apis) {
    std::vector<RtMidiDevice> devices;
    std::vector<RtMidi::Api> failed;
    for (const auto api : apis) {
        bool apiFailed = false;
        auto found = ListApiPorts<Rt>(api, apiFailed);
        devices.insert(devices.end(), found.begin(), found.end());
        if (apiFailed) {
            failed.push_back(api);
        }
    }
    // A missing ALSA sequencer does not appear while the program runs: stop asking
    // (each attempt also prints ALSA's own complaint on the console).
    for (const auto api : failed) {
        std::erase(apis, api);
    }
    std::vector<std::string> names;
    for (const auto& device : devices) {
        names.push_back(device.productName);
    }
    names = NumberDuplicates(names);
    for (std::size_t i = 0; i < devices.size(); ++i) {
        devices[i].productName = names[i];
    }
    return devices;
}

}  // namespace

RtMidiBackend::RtMidiBackend() : RtMidiBackend(std::vector<std::string>{}) {
    listing_->apis = CompiledApis();
}

RtMidiBackend::RtMidiBackend(const std::vector<std::string>& apiNames)
    : listing_(std::make_unique<Listing>()) {
    QuietJackMessages();
    listing_->apis = NamedApis(apiNames);
}

RtMidiBackend::~RtMidiBackend() = default;

unsigned RtMidiBackend::InGetNumDevs() {
    return Count(Direction::In);
}
unsigned RtMidiBackend::OutGetNumDevs() {
    return Count(Direction::Out);
}

MidiResult RtMidiBackend::InGetDevCaps(unsigned device, std::string& productName) {
    return Caps(Direction::In, device, productName);
}

MidiResult RtMidiBackend::OutGetDevCaps(unsigned device, std::string& productName) {
    return Caps(Direction::Out, device, productName);
}

MidiResult RtMidiBackend::InOpen(std::unique_ptr<MidiInPort>& port, unsigned device,
                                 MidiNoticeTarget& target) {
    RtMidiDevice found;
    if (!Lookup(Direction::In, device, found)) {
        return MidiError::kBadDeviceId;
    }
    auto opened = std::make_unique<RtMidiInPort>(found.api, target);
    if (const auto result = opened->Open(found.portName); result != MidiError::kNoError) {
        return result;
    }
    port = std::move(opened);
    return MidiError::kNoError;
}

MidiResult RtMidiBackend::OutOpen(std::unique_ptr<MidiOutPort>& port, unsigned device,
                                  MidiNoticeTarget& target) {
    RtMidiDevice found;
    if (!Lookup(Direction::Out, device, found)) {
        return MidiError::kBadDeviceId;
    }
    auto opened = std::make_unique<RtMidiOutPort>(found.api, target);
    if (const auto result = opened->Open(found.portName); result != MidiError::kNoError) {
        return result;
    }
    port = std::move(opened);
    return MidiError::kNoError;
}

unsigned RtMidiBackend::Count(Direction direction) {
    std::lock_guard lock(lock_);
    const auto listedAt = ListedAt(direction);
    if (!listedAt || std::chrono::steady_clock::now() - *listedAt >= kListingFreshFor) {
        RelistLocked(direction);
    }
    return static_cast<unsigned>(Devices(direction).size());
}

MidiResult RtMidiBackend::Caps(Direction direction, unsigned device, std::string& productName) {
    RtMidiDevice found;
    if (!Lookup(direction, device, found)) {
        return MidiError::kBadDeviceId;
    }
    productName = found.productName;
    return MidiError::kNoError;
}

// Uses the list of the last count query; lists the ports first if there has been none.
bool RtMidiBackend::Lookup(Direction direction, unsigned device, RtMidiDevice& found) {
    std::lock_guard lock(lock_);
    if (!ListedAt(direction)) {
        RelistLocked(direction);
    }
    const auto& devices = Devices(direction);
    if (device >= devices.size()) {
        return false;
    }
    found = devices[device];
    return true;
}

void RtMidiBackend::RelistLocked(Direction direction) {
    Devices(direction) = direction == Direction::In ? ListPorts<RtMidiIn>(listing_->apis)
                                                    : ListPorts<RtMidiOut>(listing_->apis);
    ListedAt(direction) = std::chrono::steady_clock::now();
}

std::vector<RtMidiDevice>& RtMidiBackend::Devices(Direction direction) {
    return direction == Direction::In ? listing_->inputs : listing_->outputs;
}

std::optional<std::chrono::steady_clock::time_point>& RtMidiBackend::ListedAt(Direction direction) {
    return direction == Direction::In ? listing_->inputsListedAt : listing_->outputsListedAt;
}

std::unique_ptr<MidiService> CreateRtMidiService() {
    return std::make_unique<RtMidiBackend>();
}

}  // namespace tessel::midi
