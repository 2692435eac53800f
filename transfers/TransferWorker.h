#pragma once
// A Send or Receive running on a thread of its own. The worker drives the System Exclusive
// transfer and the ports directly, and asks everything else of the window through its
// TransferView, ending every run with TransferEnded. Stop() ends a run early: its pauses end
// at once, and the window's close has already ended its MIDI and message waits.
#include <chrono>
#include <functional>
#include <thread>

#include "core/threads/RunSignal.h"

namespace tessel {
class UserPrompts;
}
namespace tessel::midi {
class MidiPortLayer;
class SysexTransfer;
}  // namespace tessel::midi

namespace tessel::transfers {

class TransferView;

// What a worker works with; all of it outlives the worker.
struct TransferLinks {
    midi::SysexTransfer& sysex;
    midi::MidiPortLayer& ports;
    UserPrompts& prompts;
    TransferView& view;
};

class TransferWorker {
public:
    virtual ~TransferWorker() = default;
    virtual void Start() = 0;
    // Asks the run to end and waits for its thread. The run skips what it would still show.
    virtual void Stop() = 0;
};

// The thread of one run and its stop signal. Declared as a worker's last member, so that the
// thread has ended before anything it uses goes.
class TransferThread {
public:
    TransferThread() = default;
    ~TransferThread();  // Stop()
    TransferThread(const TransferThread&) = delete;
    TransferThread& operator=(const TransferThread&) = delete;

    void Start(std::function<void()> run);
    void Stop();
    // Waits `duration`; false when the run has been asked to stop.
    bool Pause(std::chrono::milliseconds duration);
    bool StopRequested() const;

private:
    RunSignal stopRequested_;
    std::thread thread_;
};

}  // namespace tessel::transfers
