#pragma once
// What the MIDI tests share: prompts that record every message, a MIDI service whose
// devices a test describes, and a rig that wires the virtual instrument, the port layer and
// the System Exclusive transfer together the way the main window does.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <QString>
#include <QTest>

#include "app/prompts/ScriptedPrompts.h"
#include "app/settings/SettingsStore.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/service/QueuedNotices.h"
#include "midi/sysex/SysexTransfer.h"
#include "midi/virtual/VirtualMidiService.h"

namespace tessel::midi::testing {

using namespace std::chrono_literals;

// The message boxes shown so far, as plain strings.
inline std::vector<std::string> Messages(const ScriptedPrompts& prompts) {
    std::vector<std::string> texts;
    for (const auto& text : prompts.Messages()) {
        texts.push_back(text.toStdString());
    }
    return texts;
}

// A settings file of its own in a fresh temporary folder, removed afterwards.
class TemporarySettings {
public:
    TemporarySettings()
        : folder_(std::filesystem::temp_directory_path() /
                  ("tessel-midi-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                   "-" + std::to_string(counter_++))),
          store_((std::filesystem::create_directories(folder_), folder_ / "tessel.ini")) {}
    ~TemporarySettings() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    SettingsStore& Store() { return store_; }
    const std::filesystem::path& Folder() const { return folder_; }

private:
    static inline std::atomic<int> counter_{0};
    std::filesystem::path folder_;
    SettingsStore store_;
};

// Forwards the notices as the main window does: short messages are kept, done notices go
// to the System Exclusive transfer.
class NoticeForwarder final : public MidiNoticeHandler {
public:
    void CaptureEvent(std::uint32_t message) override {
        std::lock_guard lock(lock_);
        captured_.push_back(message);
    }
    void OnMidiOutDone(MidiHeader*) override {
        ++outputDone_;
        if (sysex != nullptr) {
            sysex->OnMidiOutDone();
        }
    }
    void OnMidiInLongData(MidiHeader*) override {
        ++inputDone_;
        if (sysex != nullptr) {
            sysex->OnMidiInLongData();
        }
    }
    std::vector<std::uint32_t> Captured() const {
        std::lock_guard lock(lock_);
        return captured_;
    }

    SysexTransfer* sysex = nullptr;
    std::atomic<int> outputDone_{0};
    std::atomic<int> inputDone_{0};

private:
    mutable std::mutex lock_;
    std::vector<std::uint32_t> captured_;
};

// Pumps the window thread's events until `done` holds (or a generous limit passes).
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = 10000ms) {
    return QTest::qWaitFor(done, static_cast<int>(limit.count()));
}

// Runs `work` on a worker thread while this (window) thread handles notices.
inline void RunOnWorker(const std::function<void()>& work) {
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        work();
        finished = true;
    });
    PumpUntil([&] { return finished.load(); }, 30000ms);
    worker.join();
}

struct MidiRig {
    explicit MidiRig(bool wireTiming = false, std::chrono::milliseconds timeout = 400ms)
        : virtualService(wireTiming),
          notices(forwarder),
          ports(virtualService, settings.Store(), prompts, notices),
          sysex(ports, prompts, timeout) {
        forwarder.sysex = &sysex;
    }
    ~MidiRig() {
        ports.CloseMidiPorts();
        notices.Close();
    }

    VirtualJd800& Instrument() { return virtualService.Instrument(); }
    void UseVirtualPorts(int channel = 1, int deviceId = 17) {
        auto& store = settings.Store();
        store.WriteString("device", "MidiIn", kVirtualDeviceName);
        store.WriteString("device", "MidiOut", kVirtualDeviceName);
        store.WriteInt("device", "MidiChanel", channel);
        store.WriteInt("device", "MidiID", deviceId);
        ports.ApplyMidiSettings();
        Instrument().WaitIdle(5000ms);
        Instrument().ClearLog();
    }

    TemporarySettings settings;
    ScriptedPrompts prompts;
    VirtualMidiService virtualService;
    NoticeForwarder forwarder;
    QueuedNotices notices;
    MidiPortLayer ports;
    SysexTransfer sysex;
};

// A service whose devices a test describes. It logs what happens to its ports: "out-open:N",
// "out-reset", "out-close", "short:XXXXXX", "in-open:N", "in-start" ...
struct FakeDevice {
    std::string name;
    bool capsFail = false;
    MidiResult openResult = MidiError::kNoError;
};

class FakeService final : public MidiService {
public:
    explicit FakeService(std::vector<FakeDevice> devices) : devices_(std::move(devices)) {}

    unsigned InGetNumDevs() override { return static_cast<unsigned>(devices_.size()); }
    unsigned OutGetNumDevs() override { return static_cast<unsigned>(devices_.size()); }
    MidiResult InGetDevCaps(unsigned device, std::string& name) override {
        return OutGetDevCaps(device, name);
    }
    MidiResult OutGetDevCaps(unsigned device, std::string& name) override {
        if (device >= devices_.size() || devices_[device].capsFail) {
            return MidiError::kBadDeviceId;
        }
        name = devices_[device].name;
        return MidiError::kNoError;
    }
    MidiResult InOpen(std::unique_ptr<MidiInPort>& port, unsigned device,
                      MidiNoticeTarget&) override {
        return Open(port, device, "in");
    }
    MidiResult OutOpen(std::unique_ptr<MidiOutPort>& port, unsigned device,
                       MidiNoticeTarget&) override {
        return Open(port, device, "out");
    }

    void Log(const std::string& event) {
        std::lock_guard lock(lock_);
        events_.push_back(event);
    }
    std::vector<std::string> Events() {
        std::lock_guard lock(lock_);
        return std::exchange(events_, {});
    }

private:
    struct Port final : MidiOutPort, MidiInPort {
        Port(FakeService& s, std::string d) : service(s), direction(std::move(d)) {}
        ~Port() override { Log("close"); }
        MidiResult Log(const std::string& what) {
            service.Log(direction + "-" + what);
            return MidiError::kNoError;
        }
        MidiResult Reset() override { return Log("reset"); }
        MidiResult ShortMsg(std::uint32_t message) override {
            char text[16];
            std::snprintf(text, sizeof text, "short:%06X", message);
            return Log(text);
        }
        MidiResult Start() override { return Log("start"); }
        MidiResult Stop() override { return Log("stop"); }
        MidiResult PrepareHeader(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult LongMsg(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult AddBuffer(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult UnprepareHeader(MidiHeader&) override { return MidiError::kNoError; }
        FakeService& service;
        std::string direction;
    };
    template <typename PortType>
    MidiResult Open(std::unique_ptr<PortType>& port, unsigned device, const std::string& way) {
        Log(way + "-open:" + std::to_string(device));
        if (devices_[device].openResult == MidiError::kNoError) {
            port = std::make_unique<Port>(*this, way);
        }
        return devices_[device].openResult;
    }

    std::vector<FakeDevice> devices_;
    std::mutex lock_;
    std::vector<std::string> events_;
};

// A request for the 256 bytes of patch memory at 05 00 00 + 256 k.
inline std::vector<std::uint8_t> RequestFor(int k, std::uint8_t deviceByte = 0x10) {
    return format::BuildDumpRequest(deviceByte,
                                    format::AddressPlus(format::kPatchMemoryAddress, 256u * k));
}

}  // namespace tessel::midi::testing
