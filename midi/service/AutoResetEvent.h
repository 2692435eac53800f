#pragma once
// An auto-reset event: Set releases one waiter, or, with nobody waiting, stays set until the
// next Wait, which then returns at once. The wait that consumes the set clears it again.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tessel::midi {

class AutoResetEvent {
public:
    AutoResetEvent() = default;
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    void Set();
    // True only when a Set ended the wait; false when the time ran out.
    bool Wait(std::chrono::milliseconds timeout);
    bool IsSet() const;

private:
    mutable std::mutex lock_;
    std::condition_variable signalled_;
    bool set_ = false;
};

}  // namespace tessel::midi
