// Kills a JACK server (SIGTERM and SIGKILL by turns) at chosen moments, many times over,
// and counts the runs in which Tessel crashed (or hung):
//   startup   the real tessel executable, the server killed 0.02 to 0.45 s after its launch
//   ok        port layer: server killed, then the reopen that MIDI Settings OK makes
//   cancel    port layer: server killed, then the listing of the dialog, then the close at quit
//   back      port layer: server killed and started again, then OK (the reset must arrive)
//   quit      port layer: server killed, then the close at quit at once
//
//   tessel_bench_jack_deaths [--runs N] [MOMENT ...]
//
// Each run is a process of its own (the tessel executable, or this program with --run), so
// a crash is counted rather than ending the count. Not part of the test suite.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include "midi/rtmidi/RtMidiBackend.h"
#include "tests/e2e/JackTestSupport.h"
#include "tests/midi/MidiTestSupport.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using namespace tessel::midi::testing;
using tessel::test::OwnJackServer;
using tessel::test::TestInstrument;

pid_t Spawn(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

// The signal that ended the process, 0 for exit code 0, 100 + the code for another exit
// code, -1 when it still ran after `limit` (it is then killed).
int EndOf(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(5ms);
    }
    if (WIFSIGNALED(status)) {
        return WTERMSIG(status);
    }
    return WEXITSTATUS(status) == 0 ? 0 : 100 + WEXITSTATUS(status);
}

int SignalFor(unsigned run) {
    return run % 2 == 0 ? SIGTERM : SIGKILL;
}

// The real executable, copied beside a tessel.ini that names the instrument's port.
int StartupRun(const std::string& tessel, unsigned run, std::mt19937& random) {
    OwnJackServer server;
    TestInstrument instrument;
    if (!instrument.Ready()) {
        return 103;
    }
    const auto folder =
        std::filesystem::temp_directory_path() / ("tessel-deaths-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(tessel, folder / "tessel",
                               std::filesystem::copy_options::overwrite_existing);
    std::ofstream(folder / "tessel.ini") << "[device]\nMidiOut=" << instrument.InputPort() << "\n";
    const pid_t pid = Spawn({(folder / "tessel").string()});
    const auto delay = std::uniform_int_distribution<int>(20, 450)(random);
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    server.Kill(SignalFor(run));
    std::this_thread::sleep_for(1000ms);
    kill(pid, SIGTERM);  // offscreen there is no one to close the window
    const int end = EndOf(pid, 5000ms);
    return end == SIGTERM ? 0 : end;
}

// One port-layer moment, in this process (a child of the counting one).
int PortLayerRun(const std::string& moment, unsigned run) {
    std::mt19937 random(run);
    const auto settle =
        std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 30)(random));
    OwnJackServer server;
    auto instrument = std::make_unique<TestInstrument>();
    if (!instrument->Ready()) {
        return 3;
    }
    MidiRig rig(tessel::midi::AssembleMidiService(
                    std::make_unique<tessel::midi::RtMidiBackend>(std::vector<std::string>{"jack"}))
                    .service);
    rig.Store("<none>", instrument->InputPort());
    rig.ports.ApplyMidiSettings();
    server.Kill(SignalFor(run));
    instrument.reset();
    std::this_thread::sleep_for(settle);
    if (moment == "ok") {
        SendBuilt(rig.sysex, RequestFor(0));
        rig.ports.ApplyMidiSettings();
    } else if (moment == "cancel") {
        tessel::test::DeviceNames(*rig.service, false);
        tessel::test::DeviceNames(*rig.service, true);
    } else if (moment == "back") {
        server.Start();
        instrument = std::make_unique<TestInstrument>();
        rig.Store("<none>", instrument->InputPort());
        std::this_thread::sleep_for(tessel::midi::RtMidiBackend::kListingFreshFor);
        rig.ports.ApplyMidiSettings();
        std::string seen;
        while (!seen.ends_with("BF 7B 00,")) {
            const auto report = instrument->Next("short", 3000ms);
            if (!report) {
                std::printf("  back run %u: reset heard as %s\n", run, seen.c_str());
                return 4;
            }
            seen += report->detail + ",";
        }
        if (seen.size() != 16 * 9) {
            std::printf("  back run %u: reset heard as %s\n", run, seen.c_str());
            return 4;
        }
    }
    rig.ports.CloseMidiPorts();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);  // for the tessel executable
    QCoreApplication application(argc, argv);
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.size() == 3 && words[0] == "--run") {
        return PortLayerRun(words[1], static_cast<unsigned>(std::stoul(words[2])));
    }
    unsigned runs = 200;
    std::vector<std::string> moments;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "--runs" && i + 1 < words.size()) {
            runs = static_cast<unsigned>(std::stoul(words[++i]));
        } else {
            moments.push_back(words[i]);
        }
    }
    if (moments.empty()) {
        moments = {"startup", "ok", "cancel", "back", "quit"};
    }
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string tessel = (std::filesystem::path(self).parent_path() / "tessel").string();
    std::mt19937 random(1);
    for (const auto& moment : moments) {
        unsigned crashes = 0;
        unsigned failed = 0;
        for (unsigned run = 0; run < runs; ++run) {
            const int end = moment == "startup"
                                ? StartupRun(tessel, run, random)
                                : EndOf(Spawn({self, "--run", moment, std::to_string(run)}), 30s);
            crashes += end != 0 && end < 100 ? 1 : 0;
            failed += end >= 100 ? 1 : 0;
            if (end != 0) {
                std::printf("  %s run %u: %s %d\n", moment.c_str(), run,
                            end == -1   ? "hung"
                            : end < 100 ? "signal"
                                        : "exit code",
                            end % 100);
            }
        }
        // Exit code 3: the instrument did not start; 4: the reset after the return was lost.
        std::printf("%-8s crashed or hung in %u of %u runs; other failures %u\n", moment.c_str(),
                    crashes, runs, failed);
        std::fflush(stdout);
    }
    return 0;
}
