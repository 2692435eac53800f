#include "midi/service/AutoResetEvent.h"

namespace tessel::midi {

void AutoResetEvent::Set() {
    {
        std::lock_guard lock(lock_);
        set_ = true;
    }
    signalled_.notify_one();
}

bool AutoResetEvent::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(lock_);
    if (!signalled_.wait_for(lock, timeout, [this] { return set_; })) {
        return false;
    }
    set_ = false;
    return true;
}

bool AutoResetEvent::IsSet() const {
    std::lock_guard lock(lock_);
    return set_;
}

}  // namespace tessel::midi
