#pragma once
// What the MIDI tests share: a rig that wires a MIDI service, the port layer and the System
// Exclusive transfer together the way the main window does (with recorded prompts), a
// service whose devices a test describes, and the receive worker's request and wait.
#include <algorithm>
#include <functional>
#include <future>
#include <thread>

#include <QTemporaryDir>
#include <QTest>

#include "core/prompts/ScriptedPrompts.h"
#include "core/settings/SettingsStore.h"
#include "library/format/RolandMessage.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/service/QueuedNotices.h"
#include "midi/sysex/SysexTransfer.h"
#include "midi/virtual/VirtualMidiService.h"

namespace tessel::midi::testing {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

inline Texts Messages(const ScriptedPrompts& prompts) {
    Texts texts;
    std::ranges::transform(prompts.Messages(), std::back_inserter(texts), &QString::toStdString);
    return texts;
}

// Runs `work` on a worker thread while this (window) thread handles notices.
inline void RunOnWorker(const std::function<void()>& work) {
    auto worker = std::async(std::launch::async, work);
    static_cast<void>(
        QTest::qWaitFor([&] { return worker.wait_for(0s) == std::future_status::ready; }, 30000));
}

// Passes the done notices on to the System Exclusive transfer as the main window does.
struct MidiRig final : MidiNoticeHandler {
    explicit MidiRig(std::unique_ptr<MidiService> owned, std::chrono::milliseconds timeout = 400ms)
        : service(std::move(owned)),
          notices(*this),
          ports(*service, settings, prompts, notices),
          sysex(ports, prompts, timeout) {}
    // On the virtual instrument, by default without cable time.
    explicit MidiRig(bool wireTiming = false, std::chrono::milliseconds timeout = 400ms)
        : MidiRig(std::make_unique<VirtualMidiService>(wireTiming), timeout) {}
    ~MidiRig() override {
        ports.CloseMidiPorts();
        notices.Close();
    }
    void CaptureEvent(std::uint32_t, ArrivalTime) override {}
    void OnMidiOutDone(MidiHeader*) override { sysex.OnMidiOutDone(); }
    void OnMidiInLongData(MidiHeader*) override { sysex.OnMidiInLongData(); }

    VirtualJd800& Instrument() { return static_cast<VirtualMidiService&>(*service).Instrument(); }
    void Store(const std::string& in, const std::string& out, int channel = 1, int id = 17) {
        settings.WriteString("device", "MidiIn", in);
        settings.WriteString("device", "MidiOut", out);
        settings.WriteInt("device", "MidiChanel", channel);
        settings.WriteInt("device", "MidiID", id);
    }
    // Both ports on the virtual instrument, the reset after the open already heard.
    void UseVirtualPorts(int channel = 1, int deviceId = 17) {
        Store(kVirtualDeviceName, kVirtualDeviceName, channel, deviceId);
        ports.ApplyMidiSettings();
        Instrument().WaitIdle(5s);
        Instrument().ClearLog();
    }

    QTemporaryDir folder;
    SettingsStore settings{folder.filePath("tessel.ini").toStdString()};
    ScriptedPrompts prompts;
    std::unique_ptr<MidiService> service;
    QueuedNotices notices;
    MidiPortLayer ports;
    SysexTransfer sysex;
};

// A service whose devices a test describes, the same list both ways unless inputs and
// outputs are given apart; it logs what happens to its ports as "out-open:N", "out-reset",
// "out-short:0005C0", "in-start", "in-close" ...
struct FakeDevice {
    std::string name;
    bool capsFail = false;
    MidiResult openResult = MidiError::kNoError;
};

class FakeService final : public MidiService {
public:
    enum Way { kIn, kOut };
    explicit FakeService(std::vector<FakeDevice> devices) : FakeService(devices, devices) {}
    FakeService(std::vector<FakeDevice> inputs, std::vector<FakeDevice> outputs)
        : devices_{std::move(inputs), std::move(outputs)} {}

    unsigned InGetNumDevs() override { return unsigned(devices_[kIn].size()); }
    unsigned OutGetNumDevs() override { return unsigned(devices_[kOut].size()); }
    MidiResult InGetDevCaps(unsigned d, std::string& name) override { return Caps(kIn, d, name); }
    MidiResult OutGetDevCaps(unsigned d, std::string& name) override { return Caps(kOut, d, name); }
    MidiResult InOpen(std::unique_ptr<MidiInPort>& p, unsigned d, MidiNoticeTarget&) override {
        return Open(p, kIn, d);
    }
    MidiResult OutOpen(std::unique_ptr<MidiOutPort>& p, unsigned d, MidiNoticeTarget&) override {
        return Open(p, kOut, d);
    }
    MidiResult Log(Way way, const std::string& event) {
        std::lock_guard lock(lock_);
        events_.push_back((way == kIn ? "in-" : "out-") + event);
        return MidiError::kNoError;
    }
    Texts Events() {
        std::lock_guard lock(lock_);
        return std::exchange(events_, {});
    }

private:
    struct Port final : MidiOutPort, MidiInPort {
        Port(FakeService& s, Way w) : service(s), way(w) {}
        ~Port() override { Log("close"); }
        MidiResult Log(const std::string& event) { return service.Log(way, event); }
        MidiResult Reset() override { return Log("reset"); }
        MidiResult ShortMsg(std::uint32_t message) override {
            return Log(QString::asprintf("short:%06X", message).toStdString());
        }
        MidiResult Start() override { return Log("start"); }
        MidiResult Stop() override { return Log("stop"); }
        MidiResult PrepareHeader(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult LongMsg(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult AddBuffer(MidiHeader&) override { return MidiError::kNoError; }
        MidiResult UnprepareHeader(MidiHeader&) override { return MidiError::kNoError; }
        FakeService& service;
        Way way;
    };
    MidiResult Caps(Way way, unsigned device, std::string& name) const {
        const bool answers = device < devices_[way].size() && !devices_[way][device].capsFail;
        name = answers ? devices_[way][device].name : name;
        return answers ? MidiError::kNoError : MidiError::kBadDeviceId;
    }
    template <typename PortType>
    MidiResult Open(std::unique_ptr<PortType>& port, Way way, unsigned device) {
        Log(way, "open:" + std::to_string(device));
        if (devices_[way][device].openResult == MidiError::kNoError) {
            port = std::make_unique<Port>(*this, way);
        }
        return devices_[way][device].openResult;
    }

    std::vector<FakeDevice> devices_[2];
    std::mutex lock_;
    Texts events_;
};

// A request for the 256 bytes of patch memory at 05 00 00 + 256 k.
inline Bytes RequestFor(int k, std::uint8_t deviceByte = format::kDefaultDeviceByte) {
    return format::BuildDumpRequest(deviceByte,
                                    format::AddressPlus(format::kPatchMemoryAddress, 256u * k));
}

// Takes the block, builds the message in its data area and sends it.
inline bool SendBuilt(SysexTransfer& sysex, const Bytes& message) {
    if (!sysex.TakeSysexBlock(message.size())) {
        return false;
    }
    std::copy(message.begin(), message.end(), sysex.BlockData().begin());
    return sysex.SendSysexBlock();
}

// One request and its reply as the receive worker makes them: the reply's byte count.
inline std::optional<std::size_t> RequestAndWait(SysexTransfer& sysex, int k,
                                                 std::uint8_t deviceByte = 0x10,
                                                 Bytes* reply = nullptr) {
    if (!sysex.QueueReceiveBuffer()) {
        return std::nullopt;
    }
    std::optional<std::size_t> received;
    if (SendBuilt(sysex, RequestFor(k, deviceByte))) {
        received = sysex.WaitReceiveBuffer();
        if (reply != nullptr) {
            *reply = sysex.ReceivedBytes();
        }
    }
    sysex.ReleaseReceiveBuffer();
    return received;
}

// Runs `work` as a receive worker does: events of its own, the input started, then closed.
inline void RunReceive(MidiRig& rig, const std::function<void()>& work) {
    RunOnWorker([&] {
        if (rig.sysex.BeginTransfer()) {
            rig.ports.StartMidiIn();
            work();
            rig.ports.CloseMidiIn();
            rig.sysex.EndTransfer();
        }
    });
}

}  // namespace tessel::midi::testing
