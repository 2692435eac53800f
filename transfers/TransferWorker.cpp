#include "transfers/TransferWorker.h"

namespace tessel::transfers {

TransferThread::~TransferThread() {
    Stop();
}

void TransferThread::Start(std::function<void()> run) {
    thread_ = std::thread(std::move(run));
}

void TransferThread::Stop() {
    {
        std::lock_guard lock(lock_);
        stopRequested_ = true;
    }
    stopSignal_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool TransferThread::Pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(lock_);
    return !stopSignal_.wait_for(lock, duration, [this] { return stopRequested_; });
}

bool TransferThread::StopRequested() const {
    std::lock_guard lock(lock_);
    return stopRequested_;
}

}  // namespace tessel::transfers
