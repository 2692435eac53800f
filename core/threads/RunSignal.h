#pragma once
// A signal from one thread to another that stays set once set: a stop asked before a run
// reaches its first pause is still seen there, and a finished run stays finished.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tessel {

class RunSignal {
public:
    using Clock = std::chrono::steady_clock;

    RunSignal() = default;
    RunSignal(const RunSignal&) = delete;
    RunSignal& operator=(const RunSignal&) = delete;

    void Set();
    bool IsSet() const;
    // True as soon as the signal is set (at once when it already is); false when `deadline`
    // passes first.
    bool WaitUntil(Clock::time_point deadline);
    bool WaitFor(std::chrono::milliseconds timeout) { return WaitUntil(Clock::now() + timeout); }

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool set_ = false;
};

}  // namespace tessel
