#pragma once
// A MIDI service whose devices a test describes, recording what happens to its ports:
// "out-open:N", "out-reset", "out-close", "in-open:N", "in-reset", "in-stop", "in-close".
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midi/service/MidiService.h"

namespace tessel::midi::testing {

struct FakeDevice {
    std::string name;
    bool capsFail = false;
    MidiResult openResult = MidiError::kNoError;
};

class FakeMidiService final : public MidiService {
public:
    FakeMidiService(std::vector<FakeDevice> inputs, std::vector<FakeDevice> outputs)
        : inputs_(std::move(inputs)), outputs_(std::move(outputs)) {}

    unsigned InGetNumDevs() override { return static_cast<unsigned>(inputs_.size()); }
    unsigned OutGetNumDevs() override { return static_cast<unsigned>(outputs_.size()); }
    MidiResult InGetDevCaps(unsigned device, std::string& name) override {
        return Caps(inputs_, device, name);
    }
    MidiResult OutGetDevCaps(unsigned device, std::string& name) override {
        return Caps(outputs_, device, name);
    }
    MidiResult InOpen(std::unique_ptr<MidiInPort>& port, unsigned device,
                      MidiNoticeTarget&) override {
        return Open(port, inputs_, device, "in-");
    }
    MidiResult OutOpen(std::unique_ptr<MidiOutPort>& port, unsigned device,
                       MidiNoticeTarget&) override {
        return Open(port, outputs_, device, "out-");
    }
    // A text of its own, so that a test sees the service's text is what is shown.
    std::string OutGetErrorText(MidiResult error) const override {
        return "fake output error " + std::to_string(error);
    }

    std::vector<std::string> Events() const {
        std::lock_guard lock(lock_);
        return events_;
    }
    void ClearEvents() {
        std::lock_guard lock(lock_);
        events_.clear();
    }

private:
    // One class for both directions: the calls they share log with the direction's prefix.
    struct Port final : MidiOutPort, MidiInPort {
        Port(FakeMidiService& s, std::string p) : service(s), prefix(std::move(p)) {}
        ~Port() override { Log("close"); }
        MidiResult Reset() override { return Log("reset"); }
        MidiResult Start() override { return Log("start"); }
        MidiResult Stop() override { return Log("stop"); }
        MidiResult ShortMsg(std::uint32_t) override { return MidiError::kNoError; }
        MidiResult PrepareHeader(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult LongMsg(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult AddBuffer(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult UnprepareHeader(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult Log(const std::string& event) {
            service.Log(prefix + event);
            return MidiError::kNoError;
        }
        FakeMidiService& service;
        std::string prefix;
    };

    template <class PortBase>
    MidiResult Open(std::unique_ptr<PortBase>& port, const std::vector<FakeDevice>& devices,
                    unsigned device, const std::string& prefix) {
        Log(prefix + "open:" + std::to_string(device));
        const MidiResult result = devices.at(device).openResult;
        if (result == MidiError::kNoError) {
            port = std::make_unique<Port>(*this, prefix);
        }
        return result;
    }
    static MidiResult Caps(const std::vector<FakeDevice>& devices, unsigned device,
                           std::string& name) {
        if (device >= devices.size() || devices[device].capsFail) {
            return MidiError::kBadDeviceId;
        }
        name = devices[device].name;
        return MidiError::kNoError;
    }
    void Log(const std::string& event) {
        std::lock_guard lock(lock_);
        events_.push_back(event);
    }

    std::vector<FakeDevice> inputs_;
    std::vector<FakeDevice> outputs_;
    mutable std::mutex lock_;
    std::vector<std::string> events_;
};

}  // namespace tessel::midi::testing
