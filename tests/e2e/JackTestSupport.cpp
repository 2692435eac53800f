#include "tests/e2e/JackTestSupport.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace tessel::test {

namespace {

// Asked of jack_lsp in a process of its own (see OwnJackServer).
bool JackAnswers(const std::string& options) {
    return ChildProcess("/bin/sh", {"-c", "exec jack_lsp " + options + " >/dev/null 2>&1"})
               .Finish() == 0;
}

std::string UniqueInstrumentName() {
    static std::atomic<int> next{0};
    return "tti-" + std::to_string(getpid()) + "-" + std::to_string(next++);
}

std::optional<unsigned> IndexOf(const std::vector<std::string>& names, const std::string& name) {
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? std::nullopt : std::optional<unsigned>(found - names.begin());
}

}  // namespace

bool JackServerReachable() {
    return JackAnswers("");
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
    previous_ ? setenv("JACK_DEFAULT_SERVER", previous_->c_str(), 1)
              : unsetenv("JACK_DEFAULT_SERVER");
}

bool OwnJackServer::Start() {
    const std::string mode = synchronous_ ? "-S " : "";
    process_ = std::make_unique<ChildProcess>(
        "/bin/sh",
        std::vector<std::string>{"-c", "exec jackd --no-realtime " + mode + "-n " + name_ +
                                           " -d dummy -r 48000 -p 64 >/dev/null 2>&1"});
    for (int i = 0; i < 600; ++i) {  // up to 30 s on a loaded machine
        if (JackAnswers("-s " + name_)) {
            return leftEntry_ = true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

void OwnJackServer::Kill(int signal) {
    if (process_ && process_->Pid() > 0) {
        kill(process_->Pid(), signal);
        leftEntry_ = signal != SIGTERM;
    }
    process_.reset();
}

TestInstrument::TestInstrument() : process_(TESSEL_TEST_INSTRUMENT, {UniqueInstrumentName()}) {
    std::istringstream words(process_.ReadLine(20000ms).value_or(""));
    std::string word;
    ready_ = (words >> word) && word == "ready" && (words >> inputPort_ >> outputPort_);
}

std::optional<InstrumentReport> TestInstrument::Next(const std::string& kind,
                                                     std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    InstrumentReport report;
    while (const auto line = process_.ReadLine(std::chrono::ceil<std::chrono::milliseconds>(
               deadline - std::chrono::steady_clock::now()))) {
        std::istringstream words(*line);
        if ((words >> report.kind >> report.ns) && (kind.empty() || report.kind == kind)) {
            std::getline(words >> std::ws, report.detail);
            return report;
        }
    }
    return std::nullopt;
}

std::vector<InstrumentReport> TestInstrument::Collect(const std::string& kind,
                                                      std::chrono::milliseconds window) {
    const auto deadline = std::chrono::steady_clock::now() + window;
    std::vector<InstrumentReport> reports;
    while (auto report = Next(kind, std::chrono::ceil<std::chrono::milliseconds>(
                                        deadline - std::chrono::steady_clock::now()))) {
        reports.push_back(*report);
    }
    return reports;
}

bool RecordingTarget::WaitFor(Notice::Kind kind, std::size_t count,
                              std::chrono::milliseconds timeout) {
    std::unique_lock lock(lock_);
    return changed_.wait_for(lock, timeout, [&] {
        return std::ranges::count(notices_, kind, &Notice::kind) >=
               static_cast<std::ptrdiff_t>(count);
    });
}

std::vector<RecordingTarget::Notice> RecordingTarget::Of(Notice::Kind kind) {
    std::lock_guard lock(lock_);
    std::vector<Notice> found;
    std::ranges::copy_if(notices_, std::back_inserter(found),
                         [kind](const Notice& notice) { return notice.kind == kind; });
    return found;
}

void RecordingTarget::Add(Notice notice) {
    std::lock_guard lock(lock_);
    notices_.push_back(notice);
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
