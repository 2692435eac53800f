#pragma once
// What the MIDI tests share: prompts that record every message, a MIDI service whose
// devices a test describes, and a rig that wires the virtual instrument, the port layer and
// the System Exclusive transfer together the way the main window does.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QString>
#include <QTest>

#include "app/prompts/UserPrompts.h"
#include "app/settings/SettingsStore.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/service/QueuedNotices.h"
#include "midi/sysex/SysexTransfer.h"
#include "midi/virtual/VirtualMidiService.h"

namespace tessel::midi::testing {

using namespace std::chrono_literals;

class RecordingPrompts final : public UserPrompts {
public:
    void ShowMessage(const QString& text) override {
        std::lock_guard lock(lock_);
        messages_.push_back(text.toStdString());
    }
    bool AskYesNo(const QString&) override { return false; }
    bool ChooseFolder(QString&) override { return false; }
    std::optional<QString> AskSaveFile(const FileDialogRequest&) override { return {}; }
    std::optional<QString> AskOpenFile(const FileDialogRequest&) override { return {}; }
    bool RunDialog(QDialog&) override { return false; }

    std::vector<std::string> Messages() const {
        std::lock_guard lock(lock_);
        return messages_;
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> messages_;
};

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
    RecordingPrompts prompts;
    VirtualMidiService virtualService;
    NoticeForwarder forwarder;
    QueuedNotices notices;
    MidiPortLayer ports;
    SysexTransfer sysex;
};

// A request for the 256 bytes of patch memory at 05 00 00 + 256 k.
inline std::vector<std::uint8_t> RequestFor(int k, std::uint8_t deviceByte = 0x10) {
    return format::BuildDumpRequest(deviceByte,
                                    format::AddressPlus(format::kPatchMemoryAddress, 256u * k));
}

}  // namespace tessel::midi::testing
