#include "midi/ports/MidiPortLayer.h"

#include <utility>

#include <QString>

#include "core/prompts/UserPrompts.h"
#include "core/settings/SettingsStore.h"
#include "library/format/RolandMessage.h"

namespace tessel::midi {
namespace {

constexpr int kFirstChannel = 1;
constexpr int kLastChannel = 16;

}  // namespace

MidiPortLayer::MidiPortLayer(MidiService& service, SettingsStore& settings, UserPrompts& prompts,
                             MidiNoticeTarget& notices)
    : service_(service), settings_(settings), prompts_(prompts), notices_(notices) {}

MidiPortLayer::~MidiPortLayer() {
    CloseMidiPorts();
}

MidiConfiguration MidiPortLayer::Configuration() const {
    std::lock_guard lock(configurationLock_);
    return configuration_;
}

void MidiPortLayer::SetConfiguration(const MidiConfiguration& configuration) {
    std::lock_guard lock(configurationLock_);
    configuration_ = configuration;
}

void MidiPortLayer::ApplyMidiSettings() {
    using namespace device_keys;
    MidiConfiguration read;
    read.midiInName = settings_.ReadString(kSection, kMidiIn, kNoDeviceName);
    read.midiOutName = settings_.ReadString(kSection, kMidiOut, kNoDeviceName);
    read.midiChannel = settings_.ReadInt(kSection, kMidiChannel, 1);
    read.deviceId = settings_.ReadInt(kSection, kMidiId, 17);
    SetConfiguration(read);
    OpenMidiOut();
    UseMidiOut([](MidiOutPort& port) { return port.Reset(); });
}

std::optional<unsigned> MidiPortLayer::ChooseDevice(Direction direction, const std::string& name) {
    if (name == kNoDeviceName) {
        return std::nullopt;
    }
    const bool in = direction == Direction::In;
    const unsigned count = in ? service_.InGetNumDevs() : service_.OutGetNumDevs();
    if (count == 0) {
        return std::nullopt;
    }
    for (unsigned device = 0; device < count; ++device) {
        std::string productName;
        const auto result = in ? service_.InGetDevCaps(device, productName)
                               : service_.OutGetDevCaps(device, productName);
        if (result == MidiError::kNoError && productName == name) {
            return device;
        }
    }
    return 0u;
}

void MidiPortLayer::OpenMidiOut() {
    std::string failure;
    {
        std::lock_guard change(outChangeLock_);
        CloseMidiOutLocked();
        const auto device = ChooseDevice(Direction::Out, Configuration().midiOutName);
        if (!device) {
            return;
        }
        std::unique_ptr<MidiOutPort> port;
        if (const auto result = service_.OutOpen(port, *device, notices_);
            result != MidiError::kNoError) {
            failure = service_.OutGetErrorText(result);
        } else {
            std::lock_guard lock(outLock_);
            midiOut_ = std::move(port);
        }
    }
    ShowOpenFailure(failure);
}

void MidiPortLayer::OpenMidiIn() {
    std::string failure;
    {
        std::lock_guard change(inChangeLock_);
        CloseMidiInLocked();
        const auto device = ChooseDevice(Direction::In, Configuration().midiInName);
        if (!device) {
            return;
        }
        std::unique_ptr<MidiInPort> port;
        if (const auto result = service_.InOpen(port, *device, notices_);
            result != MidiError::kNoError) {
            failure = service_.InGetErrorText(result);
        } else {
            std::lock_guard lock(inLock_);
            midiIn_ = std::move(port);
        }
    }
    ShowOpenFailure(failure);
}

void MidiPortLayer::ShowOpenFailure(const std::string& text) {
    // Shown with no lock held: a worker's message waits for the window thread.
    if (!text.empty()) {
        prompts_.ShowMessage(QString::fromStdString(text));
    }
}

void MidiPortLayer::StartMidiIn() {
    OpenMidiIn();
    UseMidiIn([](MidiInPort& port) {
        port.Reset();
        return port.Start();
    });
}

void MidiPortLayer::CloseMidiIn() {
    std::lock_guard change(inChangeLock_);
    CloseMidiInLocked();
}

void MidiPortLayer::CloseMidiOut() {
    std::lock_guard change(outChangeLock_);
    CloseMidiOutLocked();
}

void MidiPortLayer::CloseMidiOutLocked() {
    std::unique_ptr<MidiOutPort> port;
    {
        std::lock_guard lock(outLock_);
        port = std::move(midiOut_);
    }
    // No other thread can reach the port now; it is reset and closed without the use lock.
    if (port) {
        port->Reset();
    }
}

void MidiPortLayer::CloseMidiInLocked() {
    std::unique_ptr<MidiInPort> port;
    {
        std::lock_guard lock(inLock_);
        port = std::move(midiIn_);
    }
    if (port) {
        port->Reset();
        port->Stop();
    }
}

void MidiPortLayer::CloseMidiPorts() {
    CloseMidiOut();
    CloseMidiIn();
}

void MidiPortLayer::SendShortMessage(std::uint32_t message) {
    UseMidiOut([message](MidiOutPort& port) { return port.ShortMsg(message); });
}

std::uint8_t MidiPortLayer::ChannelStatus(std::uint8_t kind) const {
    int channel = Configuration().midiChannel;
    if (channel < kFirstChannel || channel > kLastChannel) {
        channel = kFirstChannel;
    }
    return static_cast<std::uint8_t>((kind & 0xF0) | (channel - 1));
}

std::uint8_t MidiPortLayer::DeviceByte() const {
    return format::DeviceByte(Configuration().deviceId);
}

bool MidiPortLayer::IsMidiOutOpen() const {
    std::lock_guard lock(outLock_);
    return midiOut_ != nullptr;
}

bool MidiPortLayer::IsMidiInOpen() const {
    std::lock_guard lock(inLock_);
    return midiIn_ != nullptr;
}

MidiResult MidiPortLayer::UseMidiOut(const std::function<MidiResult(MidiOutPort&)>& use) {
    std::lock_guard lock(outLock_);
    return midiOut_ ? use(*midiOut_) : MidiError::kInvalidHandle;
}

MidiResult MidiPortLayer::UseMidiIn(const std::function<MidiResult(MidiInPort&)>& use) {
    std::lock_guard lock(inLock_);
    return midiIn_ ? use(*midiIn_) : MidiError::kInvalidHandle;
}

std::string MidiPortLayer::OutErrorText(MidiResult error) const {
    return service_.OutGetErrorText(error);
}

std::string MidiPortLayer::InErrorText(MidiResult error) const {
    return service_.InGetErrorText(error);
}

}  // namespace tessel::midi
