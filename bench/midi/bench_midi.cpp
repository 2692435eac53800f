// Times the MIDI core against the virtual instrument: how long a notice takes to reach the
// window thread, how long a window-thread patch write keeps that thread, and how long a
// whole-memory send and receive take at MIDI 1.0 speed next to their cable time.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QEventLoop>

#include "core/prompts/UserPrompts.h"
#include "core/settings/SettingsStore.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/service/QueuedNotices.h"
#include "midi/sysex/SysexTransfer.h"
#include "midi/virtual/DemoBank.h"
#include "midi/virtual/VirtualMidiService.h"

namespace {

using namespace tessel;
using namespace tessel::midi;
using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

class CountingPrompts final : public UserPrompts {
public:
    void ShowMessage(const QString&) override { ++shown; }
    bool AskYesNo(const QString&) override { return false; }
    bool ChooseFolder(QString&) override { return false; }
    std::optional<QString> AskSaveFile(const FileDialogRequest&) override { return {}; }
    std::optional<QString> AskOpenFile(const FileDialogRequest&) override { return {}; }
    bool RunDialog(QDialog&) override { return false; }
    std::atomic<int> shown{0};
};

struct Handler final : MidiNoticeHandler {
    void CaptureEvent(std::uint32_t, ArrivalTime) override { arrived.push_back(Clock::now()); }
    void OnMidiOutDone(MidiHeader*) override { sysex->OnMidiOutDone(); }
    void OnMidiInLongData(MidiHeader*) override { sysex->OnMidiInLongData(); }
    SysexTransfer* sysex = nullptr;
    std::vector<Clock::time_point> arrived;
};

void PumpWhile(const std::function<bool()>& busy) {
    while (busy()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

double RunOnWorker(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    const auto start = Clock::now();
    std::thread worker([&] {
        work();
        done = true;
    });
    PumpWhile([&] { return !done; });
    worker.join();
    return Milliseconds(Clock::now() - start);
}

bool Send(SysexTransfer& sysex, const std::vector<std::uint8_t>& message) {
    if (!sysex.TakeSysexBlock(message.size())) {
        return false;
    }
    std::copy(message.begin(), message.end(), sysex.BlockData().begin());
    return sysex.SendSysexBlock();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto folder = std::filesystem::temp_directory_path() / "tessel-bench-midi";
    std::filesystem::create_directories(folder);
    SettingsStore settings(folder / "tessel.ini");
    settings.WriteString("device", "MidiIn", kVirtualDeviceName);
    settings.WriteString("device", "MidiOut", kVirtualDeviceName);

    CountingPrompts prompts;
    VirtualMidiService service(true);
    Handler handler;
    QueuedNotices notices(handler);
    MidiPortLayer ports(service, settings, prompts, notices);
    SysexTransfer sysex(ports, prompts);
    handler.sysex = &sysex;
    ports.ApplyMidiSettings();

    // 1. Notice hand-over: posted on a backend thread, handled on this one.
    ports.StartMidiIn();
    std::vector<Clock::time_point> played;
    std::thread player([&] {
        for (int i = 0; i < 1000; ++i) {
            played.push_back(Clock::now());
            service.Instrument().PlayShortMessage(0x403C90);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    PumpWhile([&] { return handler.arrived.size() < 1000; });
    player.join();
    std::vector<double> latency;
    for (std::size_t i = 0; i < played.size(); ++i) {
        latency.push_back(Milliseconds(handler.arrived[i] - played[i]) * 1000.0);
    }
    std::sort(latency.begin(), latency.end());
    std::printf("notice hand-over: median %.0f us, 99th percentile %.0f us\n", latency[500],
                latency[990]);
    ports.CloseMidiIn();

    // 2. A temporary patch write from the window thread (no wait for the cable).
    const auto write = format::BuildTemporaryPatchWrite(0x10, DemoBankRecords()[3]);
    const auto start = Clock::now();
    Send(sysex, write[0]);
    Send(sysex, write[1]);
    std::printf("window-thread patch write (266 + 138 bytes): returns after %.2f ms\n",
                Milliseconds(Clock::now() - start));
    service.Instrument().WaitIdle(std::chrono::seconds(10));

    // 3. Whole patch memory sent by a worker, each message awaited.
    const auto dump = DemoBankDump();
    const double sendMs = RunOnWorker([&] {
        sysex.BeginTransfer();
        for (std::size_t k = 0; k < format::kDumpMessageCount; ++k) {
            Send(sysex, {dump.begin() + std::ptrdiff_t(k * 266),
                         dump.begin() + std::ptrdiff_t((k + 1) * 266)});
        }
        sysex.EndTransfer();
    });
    std::printf("worker send of 96 x 266 bytes: %.0f ms (cable time %.0f ms)\n", sendMs,
                96 * 266 * 0.32);

    // 4. Whole patch memory received: 96 requests and answers.
    int answers = 0;
    const double receiveMs = RunOnWorker([&] {
        sysex.BeginTransfer();
        ports.StartMidiIn();
        for (int k = 0; k < 96; ++k) {
            sysex.QueueReceiveBuffer();
            Send(sysex, format::BuildDumpRequest(
                            0x10, format::AddressPlus(format::kPatchMemoryAddress, 256u * k)));
            answers += sysex.WaitReceiveBuffer() == std::optional<std::size_t>(266) ? 1 : 0;
            sysex.ReleaseReceiveBuffer();
        }
        ports.CloseMidiIn();
        sysex.EndTransfer();
    });
    std::printf("worker receive of 96 answers (%d right): %.0f ms (cable time %.0f ms)\n", answers,
                receiveMs, 96 * (13 + 266) * 0.32);
    std::printf("messages shown: %d\n", prompts.shown.load());
    ports.CloseMidiPorts();
    notices.Close();
    std::filesystem::remove_all(folder);
    return 0;
}
