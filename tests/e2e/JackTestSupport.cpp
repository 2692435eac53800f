#include "tests/e2e/JackTestSupport.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <thread>

#include <jack/jack.h>

namespace tessel::test {

namespace {

void Drop(const char*) {}

std::string UniqueInstrumentName() {
    static std::atomic<int> next{0};
    return "tti-" + std::to_string(getpid()) + "-" + std::to_string(next++);
}

std::optional<InstrumentReport> ParseReport(const std::string& line) {
    std::istringstream words(line);
    InstrumentReport report;
    if (!(words >> report.kind >> report.ns)) {
        return std::nullopt;
    }
    std::getline(words >> std::ws, report.detail);
    return report;
}

std::optional<unsigned> IndexOf(const std::vector<std::string>& names, const std::string& name) {
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? std::nullopt : std::optional<unsigned>(found - names.begin());
}

}  // namespace

bool JackServerReachable() {
    jack_set_error_function(&Drop);
    jack_set_info_function(&Drop);
    jack_status_t status{};
    jack_client_t* client = jack_client_open("tessel-probe", JackNoStartServer, &status);
    if (client == nullptr) {
        return false;
    }
    jack_client_close(client);
    return true;
}

OwnJackServer::OwnJackServer(bool synchronous)
    : synchronous_(synchronous), name_("tessel-own-" + std::to_string(getpid())) {
    if (const char* previous = std::getenv("JACK_DEFAULT_SERVER")) {
        previous_ = previous;
    }
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    Start();
}

// A server killed with SIGKILL keeps its entry in libjack's registry of servers, which has
// room for 8: one started and stopped under the same name takes the entry back.
OwnJackServer::~OwnJackServer() {
    if (!process_ && leftEntry_) {
        Start();
    }
    Kill(SIGTERM);
    previous_ ? static_cast<void>(setenv("JACK_DEFAULT_SERVER", previous_->c_str(), 1))
              : static_cast<void>(unsetenv("JACK_DEFAULT_SERVER"));
}

bool OwnJackServer::Start() {
    process_ = std::make_unique<ChildProcess>(
        "/bin/sh",
        std::vector<std::string>{"-c", std::string("exec jackd --no-realtime ") +
                                           (synchronous_ ? "-S " : "") + "-n " + name_ +
                                           " -d dummy -r 48000 -p 64 " + ">/dev/null 2>&1"});
    for (int i = 0; i < 100; ++i) {
        ChildProcess probe("/bin/sh", {"-c", "exec jack_lsp -s " + name_ + " >/dev/null 2>&1"});
        if (probe.Finish() == 0) {
            leftEntry_ = true;
            return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

void OwnJackServer::Kill(int signal) {
    if (process_ && process_->Running()) {
        kill(process_->Pid(), signal);
        leftEntry_ = signal != SIGTERM;
    }
    process_.reset();
}

TestInstrument::TestInstrument(bool silent)
    : process_(TESSEL_TEST_INSTRUMENT,
               silent ? std::vector<std::string>{UniqueInstrumentName(), "--silent"}
                      : std::vector<std::string>{UniqueInstrumentName()}) {
    const auto line = process_.ReadLine(5000ms);
    std::istringstream words(line.value_or(""));
    std::string word;
    ready_ = (words >> word) && word == "ready" && (words >> inputPort_ >> outputPort_);
}

std::optional<InstrumentReport> TestInstrument::Next(const std::string& kind,
                                                     std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const auto line = process_.ReadLine(std::max(left, 0ms));
        if (!line) {
            return std::nullopt;
        }
        if (auto report = ParseReport(*line); report && report->kind == kind) {
            return report;
        }
    }
}

std::vector<InstrumentReport> TestInstrument::Collect(const std::string& kind,
                                                      std::chrono::milliseconds window) {
    const auto deadline = std::chrono::steady_clock::now() + window;
    std::vector<InstrumentReport> reports;
    while (auto report = Next(kind, std::chrono::duration_cast<std::chrono::milliseconds>(
                                        deadline - std::chrono::steady_clock::now()))) {
        reports.push_back(*report);
    }
    return reports;
}

void RecordingTarget::PostShortMessage(std::uint32_t message, midi::ArrivalTime) {
    Add({Notice::Short, message, nullptr, Clock::now()});
}

void RecordingTarget::PostOutputDone(midi::MidiHeader* header) {
    Add({Notice::OutputDone, 0, header, Clock::now()});
}

void RecordingTarget::PostInputLongData(midi::MidiHeader* header) {
    Add({Notice::InputLongData, 0, header, Clock::now()});
}

bool RecordingTarget::WaitFor(Notice::Kind kind, std::size_t count,
                              std::chrono::milliseconds timeout) {
    std::unique_lock lock(lock_);
    return changed_.wait_for(lock, timeout, [&] {
        return std::count_if(notices_.begin(), notices_.end(), [kind](const Notice& notice) {
                   return notice.kind == kind;
               }) >= static_cast<std::ptrdiff_t>(count);
    });
}

std::vector<RecordingTarget::Notice> RecordingTarget::Of(Notice::Kind kind) {
    std::lock_guard lock(lock_);
    std::vector<Notice> found;
    std::copy_if(notices_.begin(), notices_.end(), std::back_inserter(found),
                 [kind](const Notice& notice) { return notice.kind == kind; });
    return found;
}

void RecordingTarget::Add(Notice notice) {
    {
        std::lock_guard lock(lock_);
        notices_.push_back(notice);
    }
    changed_.notify_all();
}

std::vector<std::string> DeviceNames(midi::MidiService& service, bool inputs) {
    std::vector<std::string> names(inputs ? service.InGetNumDevs() : service.OutGetNumDevs());
    for (unsigned device = 0; device < names.size(); ++device) {
        static_cast<void>(inputs ? service.InGetDevCaps(device, names[device])
                                 : service.OutGetDevCaps(device, names[device]));
    }
    return names;
}

std::optional<unsigned> FindInDevice(midi::MidiService& service, const std::string& name) {
    return IndexOf(DeviceNames(service, true), name);
}

std::optional<unsigned> FindOutDevice(midi::MidiService& service, const std::string& name) {
    return IndexOf(DeviceNames(service, false), name);
}

}  // namespace tessel::test
