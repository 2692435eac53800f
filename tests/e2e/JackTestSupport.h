#pragma once
// What the end-to-end tests and the JACK benchmarks share: whether a JACK server answers, a
// server of the test's own, the test instrument process, and a notice target that records
// what the service posts.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "midi/service/MidiService.h"
#include "tests/e2e/ChildProcess.h"

namespace tessel::test {

using namespace std::chrono_literals;

// True when a JACK server answers (the one named by JACK_DEFAULT_SERVER, if set).
bool JackServerReachable();
inline constexpr const char* kNoJackReason =
    "no JACK server reachable: run scripts/test, or start jackd and set JACK_DEFAULT_SERVER";

// A jackd of the test's own (dummy driver, 48 kHz, period 64) that the test kills and starts
// again; JACK_DEFAULT_SERVER names it while it lives. Synchronous unless told otherwise:
// each period then waits for every client, so a late client loses none of that period's
// MIDI, which an asynchronous server drops. Readiness is asked of jack_lsp in a process of
// its own: a JACK client opened in the test process after a death would take Tessel's dead
// client away under it (libjack frees a dead server's clients on the next open).
class OwnJackServer {
public:
    explicit OwnJackServer(bool synchronous = true);
    ~OwnJackServer();
    bool Start();           // true once the server answers
    void Kill(int signal);  // returns once the process has gone

private:
    bool synchronous_;
    std::string name_;
    std::optional<std::string> previous_;
    std::unique_ptr<ChildProcess> process_;
    bool leftEntry_ = false;  // a server was killed without leaving libjack's registry
};

// One line the instrument reported: "short <ns> <hex bytes>" or "sysex <ns> <length>".
struct InstrumentReport {
    std::string kind;
    long long ns = 0;
    std::string detail;
};

// The tessel-test-instrument process (see TestInstrument.cpp) under a name of its own.
class TestInstrument {
public:
    TestInstrument();
    bool Ready() const { return ready_; }
    const std::string& InputPort() const { return inputPort_; }    // Tessel sends here
    const std::string& OutputPort() const { return outputPort_; }  // Tessel listens here
    bool Command(const std::string& line) { return process_.WriteLine(line); }
    int Quit() { return process_.Finish(); }  // 0 when it closed cleanly
    // The next report of `kind` (any kind for ""), skipping others, or nothing within `timeout`.
    std::optional<InstrumentReport> Next(const std::string& kind,
                                         std::chrono::milliseconds timeout = 2000ms);
    // Every report of `kind` that arrives within `window`.
    std::vector<InstrumentReport> Collect(const std::string& kind,
                                          std::chrono::milliseconds window);

private:
    ChildProcess process_;
    bool ready_ = false;
    std::string inputPort_;
    std::string outputPort_;
};

// Records the service's notices, for tests that use a port without the main window.
class RecordingTarget final : public midi::MidiNoticeTarget {
public:
    struct Notice {
        enum Kind { Short, OutputDone, InputLongData } kind;
        std::uint32_t message = 0;
        std::chrono::steady_clock::time_point at = std::chrono::steady_clock::now();
    };

    void PostShortMessage(std::uint32_t message, midi::ArrivalTime) override {
        Add({Notice::Short, message});
    }
    void PostOutputDone(midi::MidiHeader*) override { Add({Notice::OutputDone}); }
    void PostInputLongData(midi::MidiHeader*) override { Add({Notice::InputLongData}); }
    // Waits until `count` notices of `kind` have come; false on time-out.
    bool WaitFor(Notice::Kind kind, std::size_t count, std::chrono::milliseconds timeout);
    std::vector<Notice> Of(Notice::Kind kind);

private:
    void Add(Notice notice);

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Notice> notices_;
};

// The product names of the service's devices, counted afresh; empty where a query fails.
std::vector<std::string> DeviceNames(midi::MidiService& service, bool inputs);
// The device number whose product name is `name`, counting afresh; nothing if absent.
std::optional<unsigned> FindInDevice(midi::MidiService& service, const std::string& name);
std::optional<unsigned> FindOutDevice(midi::MidiService& service, const std::string& name);

}  // namespace tessel::test
