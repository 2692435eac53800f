#include "midi/service/WireScheduler.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tessel::midi {

WireScheduler::WireScheduler(bool wireTiming) : wireTiming_(wireTiming) {
    thread_ = std::thread([this] { Loop(); });
}

WireScheduler::~WireScheduler() {
    std::multimap<Clock::time_point, std::function<void()>> dropped;
    {
        std::lock_guard lock(lock_);
        stopping_ = true;
        dropped.swap(pending_);
    }
    wake_.notify_all();
    thread_.join();
}

WireScheduler::Clock::time_point WireScheduler::Reserve(std::size_t bytes) {
    const auto now = Clock::now();
    std::lock_guard lock(lock_);
    if (!wireTiming_) {
        return now;
    }
    const auto start = std::max(now, wireFreeAt_);
    wireFreeAt_ = start + kByteTime * static_cast<std::int64_t>(bytes);
    return wireFreeAt_;
}

void WireScheduler::At(Clock::time_point when, std::function<void()> action) {
    {
        std::lock_guard lock(lock_);
        if (stopping_) {
            return;
        }
        // Equal times keep the order of the calls: multimap inserts after equal keys.
        pending_.emplace(when, std::move(action));
    }
    wake_.notify_all();
}

void WireScheduler::RunPendingNow() {
    std::vector<std::function<void()>> due;
    {
        std::unique_lock lock(lock_);
        for (auto& entry : pending_) {
            due.push_back(std::move(entry.second));
        }
        pending_.clear();
        wireFreeAt_ = {};
        // An action the thread has already begun comes first in time: let it finish, unless
        // this call is made from inside that action.
        if (std::this_thread::get_id() != thread_.get_id()) {
            wake_.wait(lock, [this] { return running_ == 0; });
        }
    }
    for (auto& action : due) {
        action();
    }
}

void WireScheduler::Drain() {
    std::unique_lock lock(lock_);
    wake_.wait(lock, [this] { return stopping_ || (pending_.empty() && running_ == 0); });
}

void WireScheduler::SetWireTiming(bool on) {
    std::lock_guard lock(lock_);
    wireTiming_ = on;
    if (!on) {
        wireFreeAt_ = {};
    }
}

void WireScheduler::Loop() {
    std::unique_lock lock(lock_);
    while (!stopping_) {
        if (pending_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const auto due = pending_.begin()->first;
        if (Clock::now() < due) {
            wake_.wait_until(lock, due);
            continue;
        }
        auto action = std::move(pending_.begin()->second);
        pending_.erase(pending_.begin());
        ++running_;
        lock.unlock();
        action();
        action = nullptr;
        lock.lock();
        --running_;
        wake_.notify_all();
    }
}

}  // namespace tessel::midi
