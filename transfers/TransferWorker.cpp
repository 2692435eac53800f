#include "transfers/TransferWorker.h"

namespace tessel::transfers {

TransferThread::~TransferThread() {
    Stop();
}

void TransferThread::Start(std::function<void()> run) {
    thread_ = std::thread(std::move(run));
}

void TransferThread::Stop() {
    stopRequested_.Set();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool TransferThread::Pause(std::chrono::milliseconds duration) {
    return !stopRequested_.WaitFor(duration);
}

bool TransferThread::StopRequested() const {
    return stopRequested_.IsSet();
}

}  // namespace tessel::transfers
