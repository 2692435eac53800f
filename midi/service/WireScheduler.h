#pragma once
// MIDI 1.0 runs at 31,250 baud with 10 bits a byte: 320 microseconds a byte. A backend
// reserves cable time for each message it sends and runs the message's done notice when
// the cable would have finished carrying it, counted from the end of the previous message,
// so the pauses that follow are real gaps on the instrument's cable.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace tessel::midi {

class WireScheduler {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::microseconds kByteTime{320};

    // With wireTiming false nothing waits: reservations end at once (for tests).
    explicit WireScheduler(bool wireTiming = true);
    ~WireScheduler();  // drops pending actions, joins the thread
    WireScheduler(const WireScheduler&) = delete;
    WireScheduler& operator=(const WireScheduler&) = delete;

    // Cable time for `bytes` bytes after everything already reserved; returns when they have left.
    Clock::time_point Reserve(std::size_t bytes);
    // Runs `action` on the scheduler's thread at `when` (at once when it is past), in time order.
    void At(Clock::time_point when, std::function<void()> action);
    // Runs every pending action now, in order, and forgets the reserved cable time (a reset).
    void RunPendingNow();
    // Blocks until every pending action has run.
    void Drain();
    void SetWireTiming(bool on);

private:
    void Loop();

    std::mutex lock_;
    std::condition_variable wake_;
    std::multimap<Clock::time_point, std::function<void()>> pending_;
    Clock::time_point wireFreeAt_{};
    bool wireTiming_;
    bool stopping_ = false;
    int running_ = 0;
    std::thread thread_;
};

}  // namespace tessel::midi
