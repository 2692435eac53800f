// Times the preview and the motif recorder of the main window over JACK, against the test
// instrument (a separate process that stamps each message as it arrives):
//   - "Arpege" at Range 6 and Tempo 200 (a note every 75 ms): each note-on against its place
//     in the schedule, counted from the run's first note-on;
//   - a motif of 200 events (100 note-ons) played back the same way;
//   - the recorder: 100 note-ons sent by the instrument at known times while the window
//     thread is kept busy 300 ms at a time, as a patch send keeps it; the recorded times
//     against the sending times.
//
//   tessel_bench_preview_jack [--runs N]
//
// Needs a JACK server: source scripts/jack-server.sh; start_private_jack (or
// JACK_DEFAULT_SERVER naming a running one). That server runs without real-time scheduling,
// so on a loaded machine its own cycles come late; for figures as musicians would see them
// start one in real-time mode, as they do:
//   JACK_DEFAULT_SERVER=bench-rt jackd -R -n bench-rt -d dummy -r 48000 -p 64 &
// Not part of the test suite.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QTemporaryDir>

#include "app/window/LibrarianDlg.h"
#include "core/prompts/ScriptedPrompts.h"
#include "core/settings/SettingsStore.h"
#include "midi/rtmidi/RtMidiBackend.h"
#include "preview/Motifs.h"
#include "tests/e2e/JackTestSupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tessel::test::InstrumentReport;
using tessel::test::TestInstrument;

constexpr int kArpeggioStepMs = 15000 / 200;
constexpr int kMotifEvents = 200;
constexpr int kRecordedEvents = 100;
constexpr auto kBusySpell = 300ms;

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// Deviations in ms: the spread of their sizes and their mean (a steady offset shows there).
void PrintSpread(const char* what, const std::vector<double>& deviations) {
    if (deviations.empty()) {
        std::printf("%-40s no data\n", what);
        return;
    }
    std::vector<double> sizes;
    double sum = 0;
    for (const double deviation : deviations) {
        sizes.push_back(std::fabs(deviation));
        sum += deviation;
    }
    std::printf(
        "%-40s |dev| median %6.2f ms   p99 %6.2f ms   max %6.2f ms   mean %+6.2f   (n=%zu)\n", what,
        Percentile(sizes, 0.5), Percentile(sizes, 0.99), Percentile(sizes, 1.0),
        sum / static_cast<double>(deviations.size()), deviations.size());
}

void HandleEventsFor(std::chrono::milliseconds span) {
    const auto end = Clock::now() + span;
    while (Clock::now() < end) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
}

// The main window on the JACK backend, its ports on the test instrument.
class Rig {
public:
    Rig(TestInstrument& instrument, const std::string& config, const std::string& customDat = "")
        : instrument_(instrument) {
        if (!customDat.empty()) {
            std::ofstream(Path("custom.dat"), std::ios::binary) << customDat;
        }
        std::ofstream(Path("tessel.ini"))
            << "[config]\n"
            << config << "\n[device]\nMidiIn=" << instrument.OutputPort()
            << "\nMidiOut=" << instrument.InputPort() << "\nMidiChanel=1\n";
        store_ = std::make_unique<tessel::SettingsStore>(Path("tessel.ini"));
        window_ = std::make_unique<tessel::CLibrarianDlg>(
            tessel::WindowServices{*store_, prompts_, folder_.path(), folder_.path(), backend_});
        window_->show();
        HandleEventsFor(300ms);
        instrument.Collect("short", 300ms);  // the reset after the output opened
    }
    ~Rig() { window_->close(); }

    void Click(const char* name) { window_->findChild<QAbstractButton*>(name)->click(); }
    // The instrument's reports until `last` (or nothing for 3 s).
    std::vector<InstrumentReport> ReportsUntil(const std::string& last) {
        std::vector<InstrumentReport> reports;
        while (auto report = instrument_.Next("short", 3000ms)) {
            reports.push_back(*report);
            if (report->detail == last) {
                break;
            }
        }
        return reports;
    }
    std::string Path(const char* name) const { return folder_.filePath(name).toStdString(); }

private:
    TestInstrument& instrument_;
    QTemporaryDir folder_;
    tessel::ScriptedPrompts prompts_;
    tessel::midi::RtMidiBackend backend_{{"jack"}};
    std::unique_ptr<tessel::SettingsStore> store_;
    std::unique_ptr<tessel::CLibrarianDlg> window_;
};

// Each note-on against the schedule `scheduledMs` (ms from the first note-on).
void AddDeviations(const std::vector<InstrumentReport>& reports,
                   const std::vector<int>& scheduledMs, std::vector<double>& deviations) {
    std::size_t k = 0;
    long long first = 0;
    for (const auto& report : reports) {
        if (report.detail.rfind("90 ", 0) != 0 || k >= scheduledMs.size()) {
            continue;
        }
        if (k == 0) {
            first = report.ns;
        } else {
            deviations.push_back(static_cast<double>(report.ns - first) / 1e6 -
                                 (scheduledMs[k] - scheduledMs[0]));
        }
        ++k;
    }
}

void Arpeggio(TestInstrument& instrument, int runs) {
    Rig rig(instrument, "par_Motif=1\npar_Range=6\npar_Tempo=200\npar_Velo=100");
    std::vector<int> schedule;
    for (int k = 0; k < 49; ++k) {
        schedule.push_back(k * kArpeggioStepMs);
    }
    std::vector<double> deviations;
    std::vector<double> firstNote;
    for (int run = 0; run < runs; ++run) {
        const long long clicked = NowNs();
        rig.Click("previewButton");
        const auto reports = rig.ReportsUntil("B0 78 00");
        if (!reports.empty()) {
            firstNote.push_back(static_cast<double>(reports.front().ns - clicked) / 1e6);
        }
        AddDeviations(reports, schedule, deviations);
    }
    PrintSpread("Arpege R6 T200, note-on vs schedule:", deviations);
    PrintSpread("... first note-on after the click:", firstNote);
}

// Note-ons and note-offs in turn, at uneven times some 15 ms apart.
std::vector<int> MotifTimes() {
    std::vector<int> times;
    for (int k = 0; k < kMotifEvents; ++k) {
        times.push_back(k * 15 + (k * 37) % 13);
    }
    return times;
}

std::string CustomDat(const std::vector<int>& times) {
    tessel::preview::MotifBank motifs;
    auto& motif = *motifs.Find(0);
    for (int k = 0; k < kMotifEvents; ++k) {
        const std::uint32_t note = 48 + static_cast<std::uint32_t>(k / 2 % 24);
        motif.messages[std::size_t(k)] = (k % 2 == 0 ? 0x640090u : 0x400080u) | note << 8;
        motif.times[std::size_t(k + 1)] = tessel::preview::kMotifEnd;
        motif.times[std::size_t(k)] = times[std::size_t(k)];
    }
    return motifs.ToBytes();
}

void Motif(TestInstrument& instrument, int runs) {
    const std::vector<int> times = MotifTimes();
    std::vector<int> noteOnTimes;
    for (int k = 0; k < kMotifEvents; k += 2) {
        noteOnTimes.push_back(times[std::size_t(k)]);
    }
    Rig rig(instrument, "par_Motif=2", CustomDat(times));
    std::vector<double> deviations;
    for (int run = 0; run < runs; ++run) {
        rig.Click("previewButton");
        AddDeviations(rig.ReportsUntil("B0 07 7F"), noteOnTimes, deviations);
    }
    PrintSpread("motif of 200 events, note-on vs schedule:", deviations);
}

// Sends note-ons through the instrument at uneven times some 40 ms apart; returns when
// each was handed to the instrument.
std::vector<long long> SendAtKnownTimes(TestInstrument& instrument) {
    std::vector<long long> sent;
    const auto start = Clock::now() + 50ms;
    for (int k = 0; k < kRecordedEvents; ++k) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(k * 40 + (k * 29) % 17));
        char line[32];
        std::snprintf(line, sizeof line, "send 90 %02X 64", 48 + k % 24);
        sent.push_back(NowNs());
        instrument.Command(line);
    }
    return sent;
}

void Recorder(TestInstrument& instrument, int runs) {
    std::vector<double> deviations;
    for (int run = 0; run < runs; ++run) {
        Rig rig(instrument, "par_Motif=2");
        rig.Click("recordButton");
        HandleEventsFor(200ms);
        std::atomic<bool> done{false};
        std::vector<long long> sent;
        std::thread sender([&] {
            sent = SendAtKnownTimes(instrument);
            done = true;
        });
        while (!done) {
            std::this_thread::sleep_for(kBusySpell);  // the window busy, handling nothing
            QApplication::processEvents();
        }
        sender.join();
        HandleEventsFor(300ms);
        rig.Click("recordButton");
        std::ifstream file(rig.Path("custom.dat"), std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(file), {});
        for (std::size_t k = 1; k < sent.size() && bytes.size() == 64000; ++k) {
            std::int32_t recorded = 0;
            std::copy_n(bytes.data() + 4000 + 4 * k, 4, reinterpret_cast<char*>(&recorded));
            if (recorded < 0) {
                std::printf("run %d: %zu events recorded\n", run, k);
                break;
            }
            deviations.push_back(recorded - static_cast<double>(sent[k] - sent[0]) / 1e6);
        }
    }
    PrintSpread("recorded time vs sending time:", deviations);
}

int RunsFrom(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--runs") {
            return std::max(1, std::atoi(argv[i + 1]));
        }
    }
    return 5;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    if (!tessel::test::JackServerReachable()) {
        std::printf("no JACK server: source scripts/jack-server.sh; start_private_jack\n");
        return 1;
    }
    TestInstrument instrument;
    if (!instrument.Ready()) {
        std::printf("the test instrument did not start\n");
        return 1;
    }
    const int runs = RunsFrom(argc, argv);
    std::printf("%d runs each; deviations in ms (recorded times are whole ms)\n", runs);
    Arpeggio(instrument, runs);
    Motif(instrument, runs);
    Recorder(instrument, runs);
    return instrument.Quit() == 0 ? 0 : 1;
}
