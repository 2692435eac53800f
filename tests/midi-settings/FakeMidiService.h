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
        Log("in-open:" + std::to_string(device));
        const MidiResult result = inputs_.at(device).openResult;
        if (result == MidiError::kNoError) {
            port = std::make_unique<In>(*this);
        }
        return result;
    }
    MidiResult OutOpen(std::unique_ptr<MidiOutPort>& port, unsigned device,
                       MidiNoticeTarget&) override {
        Log("out-open:" + std::to_string(device));
        const MidiResult result = outputs_.at(device).openResult;
        if (result == MidiError::kNoError) {
            port = std::make_unique<Out>(*this);
        }
        return result;
    }
    // A text of its own, so a test sees that the service's text is what is shown.
    std::string OutGetErrorText(MidiResult error) const override {
        return "fake output error " + std::to_string(error);
    }
    std::string InGetErrorText(MidiResult error) const override {
        return "fake input error " + std::to_string(error);
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

    struct Out final : MidiOutPort {
        explicit Out(FakeMidiService& s) : service(s) {}
        ~Out() override { service.Log("out-close"); }
        MidiResult Reset() override { return Logged("out-reset"); }
        MidiResult ShortMsg(std::uint32_t) override { return MidiError::kNoError; }
        MidiResult PrepareHeader(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult LongMsg(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult UnprepareHeader(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult Logged(const std::string& event) {
            service.Log(event);
            return MidiError::kNoError;
        }
        FakeMidiService& service;
    };
    struct In final : MidiInPort {
        explicit In(FakeMidiService& s) : service(s) {}
        ~In() override { service.Log("in-close"); }
        MidiResult Start() override { return Logged("in-start"); }
        MidiResult Stop() override { return Logged("in-stop"); }
        MidiResult Reset() override { return Logged("in-reset"); }
        MidiResult PrepareHeader(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult AddBuffer(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult UnprepareHeader(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult Logged(const std::string& event) {
            service.Log(event);
            return MidiError::kNoError;
        }
        FakeMidiService& service;
    };

    std::vector<FakeDevice> inputs_;
    std::vector<FakeDevice> outputs_;
    mutable std::mutex lock_;
    std::vector<std::string> events_;
};

}  // namespace tessel::midi::testing
