#include "midi/rtmidi/JackSupport.h"

#include <array>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#ifdef TESSEL_HAVE_JACK
#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#endif

#include "midi/rtmidi/PortNames.h"

namespace tessel::midi {

#ifdef TESSEL_HAVE_JACK

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kMaxLinks = 8;
// 16 KiB as RtMidi had it: a 4-byte length before each message, one byte always free.
constexpr std::size_t kQueueBytes = 16'384;
constexpr std::size_t kLengthBytes = sizeof(std::uint32_t);
constexpr auto kPoll = 500us;
constexpr auto kConnectLimit = 2000ms;
constexpr auto kSendLimit = 2000ms;
constexpr auto kDrainLimit = 500ms;
constexpr auto kDetachLimit = 1000ms;

constexpr std::uint8_t kSysexStart = 0xF0;
constexpr std::uint8_t kTimeCode = 0xF1;
constexpr std::uint8_t kSysexEnd = 0xF7;
constexpr std::uint8_t kFirstRealTime = 0xF8;
constexpr std::uint8_t kTimingClock = 0xF8;
constexpr std::uint8_t kActiveSensing = 0xFE;
constexpr std::uint8_t kFirstStatus = 0x80;

void Drop(const char*) {}

struct JackClient {
    jack_client_t* handle = nullptr;
    std::atomic<bool> gone{false};  // the server has died: never call into the client again
    std::atomic<bool> inProcess{false};
    std::atomic<std::uint64_t> cycles{0};
    std::array<std::atomic<JackLink*>, kMaxLinks> links{};
    int users = 0;  // listings and links using the client; under the session lock
};

}  // namespace

struct JackLink {
    ~JackLink() {
        if (queue != nullptr) {
            jack_ringbuffer_free(queue);
        }
    }

    JackClient* client = nullptr;
    std::size_t slot = 0;
    jack_port_t* port = nullptr;
    bool output = true;
    // Output: messages on their way to the process thread; `live` once the connection has
    // been seen in the graph (process thread only).
    jack_ringbuffer_t* queue = nullptr;
    bool live = false;
    // Input: a System Exclusive message still arriving (process thread only).
    JackInput::Receiver receive;
    std::vector<std::uint8_t> sysex;
    bool inSysex = false;
};

namespace {

// The process's one client. Every libjack call that names a client or one of its ports
// is made under `lock`, after checking that the client has not gone; the process thread
// of a client is the one exception, and libjack stops it before freeing anything.
class Session {
public:
    static Session& Instance() {
        // Never destroyed: libjack's own threads may outlive static destruction.
        static Session* session = new Session;
        return *session;
    }

    std::mutex lock;

    // The client, opened when there is none or the last one has gone; null without a server.
    JackClient* Acquire() {
        if (current_ != nullptr && current_->gone) {
            gone_.push_back(current_);
            current_ = nullptr;
        }
        if (current_ == nullptr) {
            current_ = OpenClient();
        }
        if (current_ != nullptr) {
            ++current_->users;
        }
        return current_;
    }

    // A live client no one uses any more is closed; a gone one is kept for good.
    void Release(JackClient* client) {
        if (--client->users > 0 || client != current_ || client->gone) {
            return;
        }
        jack_client_close(client->handle);
        delete client;
        current_ = nullptr;
    }

private:
    static JackClient* OpenClient() {
        QuietJackMessages();
        jack_client_t* handle =
            jack_client_open(std::string(kOwnClientName).c_str(), JackNoStartServer, nullptr);
        if (handle == nullptr) {
            return nullptr;
        }
        auto* client = new JackClient;
        client->handle = handle;
        jack_set_process_callback(handle, &Session::Process, client);
        jack_on_info_shutdown(handle, &Session::OnShutdown, client);
        if (jack_activate(handle) != 0) {
            jack_client_close(handle);
            delete client;
            return nullptr;
        }
        return client;
    }

    static void OnShutdown(jack_status_t, const char*, void* client) {
        static_cast<JackClient*>(client)->gone = true;
    }

    static int Process(jack_nframes_t frames, void* data);

    JackClient* current_ = nullptr;
    std::vector<JackClient*> gone_;  // kept reachable: libjack may still hold their addresses
};

// Takes the events of a period apart into whole messages.
void Take(JackLink& link, std::span<const std::uint8_t> bytes, ArrivalTime arrived) {
    const std::uint8_t first = bytes.front();
    if (first >= kFirstRealTime) {  // may come in the middle of a System Exclusive message
        if (first != kTimingClock && first != kActiveSensing) {
            link.receive(bytes.first(1), arrived);
        }
        return;
    }
    if (first == kSysexStart) {
        link.sysex.assign(bytes.begin(), bytes.end());
        link.inSysex = bytes.back() != kSysexEnd;
    } else if (link.inSysex && (first < kFirstStatus || first == kSysexEnd)) {
        link.sysex.insert(link.sysex.end(), bytes.begin(), bytes.end());
        link.inSysex = bytes.back() != kSysexEnd;
    } else {
        link.inSysex = false;  // a status byte ends an unfinished System Exclusive message
        if (first != kTimeCode) {
            link.receive(bytes, arrived);
        }
        return;
    }
    if (!link.inSysex) {
        link.receive(link.sysex, arrived);
    }
}

void ServeInput(JackLink& link, jack_nframes_t frames) {
    void* buffer = jack_port_get_buffer(link.port, frames);
    const auto arrived = Clock::now();
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    for (jack_nframes_t index = 0; index < count; ++index) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, index) == 0 && event.size > 0) {
            Take(link, {event.buffer, event.size}, arrived);
        }
    }
}

// Messages stay queued until the connection is in the graph JACK runs; once that
// connection has gone again they have nowhere to go and are dropped.
void ServeOutput(JackLink& link, jack_nframes_t frames) {
    void* buffer = jack_port_get_buffer(link.port, frames);
    jack_midi_clear_buffer(buffer);
    jack_ringbuffer_t* queue = link.queue;
    if (jack_port_connected(link.port) > 0) {
        link.live = true;
    } else {
        if (link.live) {
            jack_ringbuffer_read_advance(queue, jack_ringbuffer_read_space(queue));
        }
        return;
    }
    std::uint32_t length = 0;
    while (jack_ringbuffer_peek(queue, reinterpret_cast<char*>(&length), kLengthBytes) ==
               kLengthBytes &&
           jack_ringbuffer_read_space(queue) >= kLengthBytes + length) {
        jack_midi_data_t* data = jack_midi_event_reserve(buffer, 0, length);
        if (data == nullptr && jack_midi_get_event_count(buffer) > 0) {
            return;  // this period's buffer is full: the rest leaves in the next one
        }
        jack_ringbuffer_read_advance(queue, kLengthBytes);
        if (data == nullptr) {  // larger than a period's buffer can ever hold
            jack_ringbuffer_read_advance(queue, length);
        } else {
            jack_ringbuffer_read(queue, reinterpret_cast<char*>(data), length);
        }
    }
}

int Session::Process(jack_nframes_t frames, void* data) {
    auto& client = *static_cast<JackClient*>(data);
    client.inProcess = true;
    for (auto& slot : client.links) {
        if (JackLink* link = slot.load()) {
            link->output ? ServeOutput(*link, frames) : ServeInput(*link, frames);
        }
    }
    ++client.cycles;
    client.inProcess = false;
    return 0;
}

template <class Done>
bool WaitUntil(Clock::duration limit, Done done) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

jack_port_t* RegisterPort(JackClient& client, bool output) {
    const std::string base = output ? "MIDI Out" : "MIDI In";
    for (std::size_t n = 1; n <= kMaxLinks; ++n) {
        const std::string name = n == 1 ? base : base + " " + std::to_string(n);
        if (jack_port_by_name(
                client.handle,
                (std::string(jack_get_client_name(client.handle)) + ":" + name).c_str()) !=
            nullptr) {
            continue;
        }
        return jack_port_register(client.handle, name.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                  output ? JackPortIsOutput : JackPortIsInput, 0);
    }
    return nullptr;
}

// Registers our port, connects it with `other` and hands it to the process thread.
MidiResult Attach(JackLink& link, const std::string& other) {
    auto& session = Session::Instance();
    std::lock_guard lock(session.lock);
    JackClient* client = session.Acquire();
    if (client == nullptr) {
        return MidiError::kNoDriver;
    }
    MidiResult result = MidiError::kNoError;
    std::size_t slot = 0;
    while (slot < kMaxLinks && client->links[slot].load() != nullptr) {
        ++slot;
    }
    if (jack_port_by_name(client->handle, other.c_str()) == nullptr) {
        result = MidiError::kBadDeviceId;
    } else if (slot == kMaxLinks) {
        result = MidiError::kAllocated;
    } else if ((link.port = RegisterPort(*client, link.output)) == nullptr) {
        result = MidiError::kNoDriver;
    } else {
        const char* ours = jack_port_name(link.port);
        if (jack_connect(client->handle, link.output ? ours : other.c_str(),
                         link.output ? other.c_str() : ours) != 0) {
            jack_port_unregister(client->handle, link.port);
            result = client->gone ? MidiError::kNoDriver : MidiError::kBadDeviceId;
        }
    }
    if (result != MidiError::kNoError) {
        session.Release(client);
        return result;
    }
    link.client = client;
    link.slot = slot;
    client->links[slot] = &link;
    return MidiError::kNoError;
}

bool ConnectionInGraph(const JackLink& link) {
    auto& session = Session::Instance();
    std::lock_guard lock(session.lock);
    return link.client->gone || jack_port_connected(link.port) > 0;
}

// Takes the link from the process thread; false when a process cycle seems stuck in it.
bool Detach(JackLink& link) {
    JackClient& client = *link.client;
    client.links[link.slot] = nullptr;
    return WaitUntil(kDetachLimit, [&] { return !client.inProcess; });
}

void Unregister(JackLink& link) {
    auto& session = Session::Instance();
    std::lock_guard lock(session.lock);
    if (!link.client->gone) {
        jack_port_unregister(link.client->handle, link.port);
    }
    session.Release(link.client);
}

// Closes the port; the link's memory is kept when the process thread may still use it.
void Close(std::unique_ptr<JackLink>& link) {
    if (!Detach(*link)) {
        static_cast<void>(link.release());
        return;
    }
    Unregister(*link);
}

}  // namespace

void QuietJackMessages() {
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(&Drop);
        jack_set_info_function(&Drop);
    });
}

bool JackBuiltIn() {
    return true;
}

std::vector<std::string> ListJackPorts(bool sources) {
    std::vector<std::string> names;
    auto& session = Session::Instance();
    std::lock_guard lock(session.lock);
    JackClient* client = session.Acquire();
    if (client == nullptr) {
        return names;
    }
    if (const char** ports = jack_get_ports(client->handle, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                            sources ? JackPortIsOutput : JackPortIsInput)) {
        for (const char** port = ports; *port != nullptr; ++port) {
            names.emplace_back(*port);
        }
        jack_free(ports);
    }
    session.Release(client);
    return names;
}

JackOutput::JackOutput(std::unique_ptr<JackLink> link) : link_(std::move(link)) {}

MidiResult JackOutput::Open(const std::string& target, std::unique_ptr<JackOutput>& output) {
    auto link = std::make_unique<JackLink>();
    link->output = true;
    link->queue = jack_ringbuffer_create(kQueueBytes);
    if (link->queue == nullptr) {
        return MidiError::kNoMemory;
    }
    if (const auto result = Attach(*link, target); result != MidiError::kNoError) {
        return result;
    }
    WaitUntil(kConnectLimit, [&] { return ConnectionInGraph(*link); });
    output.reset(new JackOutput(std::move(link)));
    return MidiError::kNoError;
}

JackOutput::~JackOutput() {
    const JackClient& client = *link_->client;
    const auto drained = [&] {
        return client.gone || jack_ringbuffer_read_space(link_->queue) == 0;
    };
    if (WaitUntil(kDrainLimit, drained)) {
        // The period that took the last message has ended, and the reader with it.
        const auto cycle = client.cycles.load();
        WaitUntil(kDrainLimit, [&] { return client.gone || client.cycles >= cycle + 2; });
    }
    Close(link_);
}

MidiResult JackOutput::Send(std::span<const std::uint8_t> message) {
    const JackClient& client = *link_->client;
    const std::size_t needed = kLengthBytes + message.size();
    if (needed >= kQueueBytes) {
        return MidiError::kTooLong;
    }
    const bool room = WaitUntil(kSendLimit, [&] {
        return client.gone || jack_ringbuffer_write_space(link_->queue) >= needed;
    });
    if (client.gone) {
        return MidiError::kNoDevice;
    }
    if (!room) {
        return MidiError::kNotReady;
    }
    const auto length = static_cast<std::uint32_t>(message.size());
    jack_ringbuffer_write(link_->queue, reinterpret_cast<const char*>(&length), kLengthBytes);
    jack_ringbuffer_write(link_->queue, reinterpret_cast<const char*>(message.data()),
                          message.size());
    return MidiError::kNoError;
}

JackInput::JackInput(std::unique_ptr<JackLink> link) : link_(std::move(link)) {}

MidiResult JackInput::Open(const std::string& source, Receiver receive,
                           std::unique_ptr<JackInput>& input) {
    auto link = std::make_unique<JackLink>();
    link->output = false;
    link->receive = std::move(receive);
    link->sysex.reserve(kQueueBytes);
    if (const auto result = Attach(*link, source); result != MidiError::kNoError) {
        return result;
    }
    WaitUntil(kConnectLimit, [&] { return ConnectionInGraph(*link); });
    input.reset(new JackInput(std::move(link)));
    return MidiError::kNoError;
}

JackInput::~JackInput() {
    Close(link_);
}

#else

struct JackLink {};

void QuietJackMessages() {}

bool JackBuiltIn() {
    return false;
}

std::vector<std::string> ListJackPorts(bool) {
    return {};
}

JackOutput::JackOutput(std::unique_ptr<JackLink> link) : link_(std::move(link)) {}
JackOutput::~JackOutput() = default;

MidiResult JackOutput::Open(const std::string&, std::unique_ptr<JackOutput>&) {
    return MidiError::kNoDriver;
}

MidiResult JackOutput::Send(std::span<const std::uint8_t>) {
    return MidiError::kNoDriver;
}

JackInput::JackInput(std::unique_ptr<JackLink> link) : link_(std::move(link)) {}
JackInput::~JackInput() = default;

MidiResult JackInput::Open(const std::string&, Receiver, std::unique_ptr<JackInput>&) {
    return MidiError::kNoDriver;
}

#endif

}  // namespace tessel::midi
