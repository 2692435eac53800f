#pragma once
// System Exclusive messages through the ports of the port layer.
//
// Outgoing: one block at a time. A caller takes it with the message length, builds the
// message in its data area (or points it at bytes of its own, for messages longer than the
// area), and sends it; the block is given up in every case. A transfer worker (whole-file
// send, receive) waits up to the time-out for each block's done notice; a send on any other
// thread does not wait, and its block stays with the service until it comes back.
//
// Incoming: one input buffer, queued before a request leaves, awaited, and released.
//
// The two completion events exist only while a transfer worker runs (BeginTransfer ..
// EndTransfer, on that worker); the window's notice handlers set them. While a transfer
// runs, only its worker can take the block: a send from another thread is refused without a
// message, so it neither waits on the worker's event nor takes its notices.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "midi/service/AutoResetEvent.h"
#include "midi/sysex/SysexBlock.h"

namespace tessel {
class UserPrompts;
}

namespace tessel::midi {

class MidiPortLayer;

class SysexTransfer {
public:
    static constexpr std::chrono::milliseconds kCompletionTimeout{2000};

    SysexTransfer(MidiPortLayer& ports, UserPrompts& prompts,
                  std::chrono::milliseconds timeout = kCompletionTimeout,
                  std::shared_ptr<SysexBlockMemory> memory = nullptr);
    ~SysexTransfer();
    SysexTransfer(const SysexTransfer&) = delete;
    SysexTransfer& operator=(const SysexTransfer&) = delete;

    // ---- the outgoing block; after a successful take only the taking thread uses it ----
    // Takes the block for a message of `length` bytes in one indivisible step. Fails without a
    // message when the block is taken or a transfer runs on another thread.
    bool TakeSysexBlock(std::size_t length);
    // Where to build the message: `length` bytes of the data area; empty when the length
    // taken does not fit the 2048-byte area (such a message is sent with PointBlockAt).
    std::span<std::uint8_t> BlockData();
    const MidiHeader& BlockHeader() const;
    // Sends `bytes` instead of the data area; they must stay unchanged until the send returns.
    void PointBlockAt(std::span<const std::uint8_t> bytes);
    bool SendSysexBlock();
    void ReleaseSysexBlock();
    bool IsBlockTaken() const;

    // ---- the input buffer (transfer worker) ----
    bool QueueReceiveBuffer();
    // The bytes received, or std::nullopt after the not-responding message.
    std::optional<std::size_t> WaitReceiveBuffer();
    // A copy of the bytes received into the buffer.
    std::vector<std::uint8_t> ReceivedBytes() const;
    bool ReleaseReceiveBuffer();
    // For the window's close: gives a held buffer up as ReleaseReceiveBuffer does (resetting
    // the input first when it has not come back) without any message.
    void ReleaseHeldReceiveBufferSilently();
    bool HasReceiveBuffer() const;

    // ---- transfer workers ----
    // Creates outputDoneEvent and inputDoneEvent for the calling thread; false when another
    // transfer runs.
    bool BeginTransfer();
    void EndTransfer();  // closes the events; only their owner can
    bool TransferRunning() const;
    // For the window's close: every wait ends at once as a failure, without a message, and
    // nothing more is taken or queued.
    void AbortWaits();

    // ---- the window's notice handlers ----
    void OnMidiOutDone();     // sets outputDoneEvent if it exists
    void OnMidiInLongData();  // sets inputDoneEvent if it exists

private:
    using Clock = std::chrono::steady_clock;
    using BlockPtr = std::unique_ptr<SysexBlock>;

    bool WaitForFreeBlock(std::unique_lock<std::mutex>& lock);
    void FreeReturnedBlocks(std::vector<BlockPtr> blocks);
    std::unique_ptr<SysexBlock> AllocateBlock();
    void FreeBlock(BlockPtr block, bool report);
    void MarkBlockFree();

    bool SendTakenBlock();
    bool UnprepareSent();

    bool ReleaseBuffer(bool report);
    void ForgetInputBuffers();

    std::shared_ptr<AutoResetEvent> EventOfThisThread(
        const std::shared_ptr<AutoResetEvent>& event) const;
    bool OwnsTransfer() const;
    // Waits until the block is back from the service, woken by `event` (or by polling when
    // there is none). False on time-out or abort.
    bool AwaitReturn(const std::shared_ptr<AutoResetEvent>& event, const SysexBlock& block);
    bool WaitOnce(AutoResetEvent* event, std::chrono::milliseconds left);
    bool Aborted() const;
    void Show(const std::string& text);

    MidiPortLayer& ports_;
    UserPrompts& prompts_;
    const std::chrono::milliseconds timeout_;
    std::shared_ptr<SysexBlockMemory> memory_;

    // The outgoing block: taken_ and the blocks still with the service under blockLock_;
    // block_ belongs to the thread that took it.
    mutable std::mutex blockLock_;
    std::condition_variable blockFreed_;
    bool taken_ = false;
    std::thread::id holder_;
    std::size_t takenLength_ = 0;
    BlockPtr block_;
    std::vector<BlockPtr> withService_;  // sent without a wait, or timed out: freed once back

    mutable std::mutex receiveLock_;
    std::shared_ptr<SysexBlock> receive_;
    std::vector<std::shared_ptr<SysexBlock>> inputWithService_;

    mutable std::mutex eventsLock_;
    std::shared_ptr<AutoResetEvent> outputDoneEvent_;
    std::shared_ptr<AutoResetEvent> inputDoneEvent_;
    std::thread::id eventOwner_;
    bool aborted_ = false;
};

}  // namespace tessel::midi
