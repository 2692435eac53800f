// Times the transfers through the main window (offscreen) against their physical floors:
//   Send      bytes x 10 / 31,250 s + 30 ms a message      (a 25,536-byte dump: 11.05 s)
//   Receive   96 x (13 + 266 bytes on the cable + 50 ms)    (13.37 s, plus the instrument's
//             turnaround)
//   selection the last byte of the second temporary patch message on the cable, 404 bytes
//             after the selection began (129.3 ms)
// on the virtual instrument at cable speed, and on JACK against the test instrument process
// told to behave as at the end of a MIDI cable. The JACK part needs a reachable server:
//   source scripts/jack-server.sh; start_private_jack; tessel_bench_transfers; stop_private_jack
//
//   tessel_bench_transfers [--selections N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include "midi/rtmidi/RtMidiBackend.h"
#include "tests/e2e/JackTestSupport.h"
#include "tests/gui/LibrarianWindowFixture.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace format = tessel::format;
using tessel::test::WindowFixture;

constexpr double kByteMs = 10.0 / 31.25;
constexpr double kSendFloorMs = format::kDumpFileSize * kByteMs + 30.0 * 96;
constexpr double kReceiveFloorMs = 96 * ((13 + 266) * kByteMs + 50.0);
constexpr double kSelectionFloorMs = (266 + 138) * kByteMs;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long long Ns(Clock::time_point at) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
}

// Runs the window's event loop (no polling sleeps, so notices are handled at once) until
// `done` holds.
void RunUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done()) {
            loop.quit();
        }
    });
    check.start(1);
    loop.exec();
}

double TimeTransfer(WindowFixture& f, const char* button) {
    const auto start = Clock::now();
    f.Find<QPushButton>(button)->click();
    RunUntil([&] { return f.Find("sendButton")->isEnabled(); });
    return MsSince(start);
}

void PrintAgainstFloor(const char* platform, const char* what, double ms, double floorMs) {
    std::printf("%-8s %-10s %9.1f ms   floor %9.1f ms   %+7.1f ms (%+.2f %%)\n", platform, what, ms,
                floorMs, ms - floorMs, 100.0 * (ms - floorMs) / floorMs);
}

void PrintLatencies(const char* platform, std::vector<double> ms) {
    if (ms.empty()) {
        std::printf("%-8s selection: no temporary patch arrived\n", platform);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-8s selection median %6.1f ms   max %6.1f ms   floor %6.1f ms   (n=%zu)\n",
                platform, ms[ms.size() / 2], ms.back(), kSelectionFloorMs, ms.size());
}

void PrepareLibrary(WindowFixture& f) {
    f.Write("a.syx", format::test::DumpBytes(format::test::DistinctRecords()));
    f.Write("b.syx", tessel::test::NamedDump("B"));
}

std::string DeviceIni(const WindowFixture& f, const std::string& in, const std::string& out) {
    return "[config]\npar_TestSel=0\n[device]\nPathDef=" + f.Folder().toStdString() +
           "\nMidiIn=" + in + "\nMidiOut=" + out + "\n";
}

// Send of a.syx, a receive into r.syx, then patch selections on b.syx (not transferred, so
// each writes the temporary patch); `arrivalNs` gives when the last one arrived whole.
void RunAll(const char* platform, WindowFixture& f, int selections,
            const std::function<std::optional<long long>()>& arrivalNs) {
    PrintAgainstFloor(platform, "Send", TimeTransfer(f, "sendButton"), kSendFloorMs);
    f.prompts.QueueSaveFile(f.PathOf("r.syx"));
    PrintAgainstFloor(platform, "Receive", TimeTransfer(f, "receiveButton"), kReceiveFloorMs);
    f.UserSelects("fileList", 1);
    std::vector<double> latencies;
    for (int i = 0; i < selections; ++i) {
        RunUntil([] { return true; });
        const auto start = Clock::now();
        f.UserSelects("patchList", 1 + i % 62);
        if (const auto arrived = arrivalNs()) {
            latencies.push_back(double(*arrived - Ns(start)) / 1e6);
        }
    }
    PrintLatencies(platform, latencies);
}

void OnVirtualInstrument(int selections) {
    WindowFixture f;
    PrepareLibrary(f);
    const std::string device = tessel::midi::kVirtualDeviceName;
    f.Start(DeviceIni(f, device, device));
    auto& instrument = f.midi.Instrument();
    instrument.WaitIdle(5s);
    RunAll("virtual", f, selections, [&]() -> std::optional<long long> {
        const auto log = instrument.ReceivedLog();
        instrument.ClearLog();
        if (log.empty() || log.back().bytes.size() != 138) {
            return std::nullopt;
        }
        return Ns(log.back().time);
    });
}

void OnJack(int selections) {
    if (!tessel::test::JackServerReachable()) {
        std::printf("JACK: no server reachable (%s)\n", tessel::test::kNoJackReason);
        return;
    }
    tessel::test::TestInstrument instrument;
    if (!instrument.Ready() || !instrument.Command("cable")) {
        std::printf("JACK: the test instrument did not start\n");
        return;
    }
    auto service = tessel::midi::AssembleMidiService(tessel::midi::CreateRtMidiService()).service;
    {
        WindowFixture f;
        f.service = service.get();
        PrepareLibrary(f);
        f.Start(DeviceIni(f, instrument.OutputPort(), instrument.InputPort()));
        instrument.Collect("short", 500ms);
        // Reports of the send and the receive still wait in the pipe: skipped.
        RunAll("JACK", f, selections, [&]() -> std::optional<long long> {
            while (const auto report = instrument.Next("sysex", 2000ms)) {
                if (report->detail == "138") {
                    return report->ns;
                }
            }
            return std::nullopt;
        });
    }
    instrument.Quit();
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    int selections = 20;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--selections") {
            selections = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    OnVirtualInstrument(selections);
    OnJack(selections);
    return 0;
}
