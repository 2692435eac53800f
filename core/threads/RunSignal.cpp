#include "core/threads/RunSignal.h"

namespace tessel {

void RunSignal::Set() {
    {
        std::lock_guard lock(lock_);
        set_ = true;
    }
    changed_.notify_all();
}

bool RunSignal::IsSet() const {
    std::lock_guard lock(lock_);
    return set_;
}

bool RunSignal::WaitUntil(Clock::time_point deadline) {
    std::unique_lock lock(lock_);
    return changed_.wait_until(lock, deadline, [this] { return set_; });
}

}  // namespace tessel
