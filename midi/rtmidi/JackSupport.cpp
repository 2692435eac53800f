#include "midi/rtmidi/JackSupport.h"

#include <algorithm>
#include <mutex>
#include <thread>

#ifdef TESSEL_HAVE_JACK
#include <jack/jack.h>
#endif

namespace tessel::midi {

#ifdef TESSEL_HAVE_JACK

namespace {
void Drop(const char*) {}
constexpr char kCycleClientName[] = "Tessel";
}  // namespace

struct JackCycles::Client {
    jack_client_t* handle = nullptr;
};

void QuietJackMessages() {
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(&Drop);
        jack_set_info_function(&Drop);
    });
}

JackCycles::JackCycles() : client_(std::make_unique<Client>()) {
    QuietJackMessages();
    client_->handle = jack_client_open(kCycleClientName, JackNoStartServer, nullptr);
}

JackCycles::~JackCycles() {
    if (client_->handle != nullptr) {
        jack_client_close(client_->handle);
    }
}

void JackCycles::Wait(int count, std::chrono::milliseconds limit,
                      std::chrono::milliseconds fallback) const {
    jack_client_t* handle = client_->handle;
    if (handle == nullptr) {
        std::this_thread::sleep_for(std::min(fallback, limit));
        return;
    }
    // The frame time of the current cycle's start advances by one period per cycle.
    const jack_nframes_t period = jack_get_buffer_size(handle);
    const jack_nframes_t start = jack_last_frame_time(handle);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (jack_last_frame_time(handle) - start < period * static_cast<jack_nframes_t>(count) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

#else

struct JackCycles::Client {};

void QuietJackMessages() {}

JackCycles::JackCycles() = default;
JackCycles::~JackCycles() = default;

void JackCycles::Wait(int, std::chrono::milliseconds limit,
                      std::chrono::milliseconds fallback) const {
    std::this_thread::sleep_for(std::min(fallback, limit));
}

#endif

}  // namespace tessel::midi
