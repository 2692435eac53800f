#pragma once
// What the end-to-end tests share: finding out whether a JACK server is reachable, the
// test instrument process, and a notice target that records what the service posts.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
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

// A JACK server of the test's own (dummy driver, 48 kHz, period 64) under a name of its
// own, which the test kills and starts again. While it lives, JACK_DEFAULT_SERVER names it,
// for Tessel and for instruments started meanwhile; the name before is put back at the end.
// Synchronous unless told otherwise: each period then waits for every client, so a client
// that is late (a busy machine) loses none of that period's MIDI, which an asynchronous
// server drops or hands on twice. Readiness is asked of jack_lsp, in a process of its own:
// a JACK client opened in the test process while Tessel's client dies would take that
// client away under Tessel (libjack frees a dead server's clients on the next open).
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
    bool leftEntry_ = false;  // a server was killed without leaving the registry
};

// One line the instrument reported: "short <ns> <hex>" or "sysex <ns> <length>".
struct InstrumentReport {
    std::string kind;
    long long ns = 0;
    std::string detail;  // the hex bytes of a short message, the length of a sysex
};

// The tessel-test-instrument process under a name of its own.
class TestInstrument {
public:
    explicit TestInstrument(bool silent = false);
    bool Ready() const { return ready_; }
    const std::string& InputPort() const { return inputPort_; }    // Tessel sends here
    const std::string& OutputPort() const { return outputPort_; }  // Tessel listens here
    bool Command(const std::string& line) { return process_.WriteLine(line); }
    // Ends the instrument; its exit code (0 when it closed cleanly).
    int Quit() { return process_.Finish(); }
    // The next report of `kind`, skipping others, or nothing within `timeout`.
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
    using Clock = std::chrono::steady_clock;
    struct Notice {
        enum Kind { Short, OutputDone, InputLongData } kind;
        std::uint32_t message = 0;
        midi::MidiHeader* header = nullptr;
        Clock::time_point at;
    };

    void PostShortMessage(std::uint32_t message, midi::ArrivalTime arrived) override;
    void PostOutputDone(midi::MidiHeader* header) override;
    void PostInputLongData(midi::MidiHeader* header) override;

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
