#pragma once
// The built-in virtual instrument: an in-process stand-in for a JD-800 on the other end of a
// MIDI cable. It keeps the temporary patch and 64 patches of patch memory (the demo bank
// at first), applies DT1 writes, answers each RQ1 with the DT1 message of that address after
// the reply has crossed its own cable, and logs every message it receives with the time it
// arrived. Test controls make it misbehave on purpose. Every member is thread-safe.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "midi/service/WireScheduler.h"
#include "midi/virtual/InstrumentMemory.h"

namespace tessel::midi {

inline constexpr char kVirtualDeviceName[] = "Tessel Virtual JD-800";

class VirtualInPort;

struct ReceivedMessage {
    std::chrono::steady_clock::time_point time;  // when its last byte arrived
    std::vector<std::uint8_t> bytes;             // F0..F7, or the 1 to 3 bytes of a short one
};

class VirtualJd800 {
public:
    using Clock = std::chrono::steady_clock;

    explicit VirtualJd800(bool wireTiming = true);
    ~VirtualJd800();
    VirtualJd800(const VirtualJd800&) = delete;
    VirtualJd800& operator=(const VirtualJd800&) = delete;

    // ---- test controls ----
    // Messages take their MIDI 1.0 cable time in both directions, or arrive at once.
    void SetWireTiming(bool on);
    bool WireTiming() const;
    // Requests go unanswered.
    void SetSilent(bool silent);
    // Every answer is a DT1 of this many bytes in all (padded with zero data or cut short)
    // instead of the right one; std::nullopt restores right answers. Above 2048 it is an
    // oversized answer.
    void SetReplySize(std::optional<std::size_t> bytes);
    // Every answer leaves this much later.
    void SetReplyDelay(std::chrono::milliseconds delay);
    // As if played on the instrument's keyboard: into Tessel's started input at once.
    void PlayShortMessage(std::uint32_t message);
    // Any bytes sent into Tessel's input as one System Exclusive message, after cable time.
    void PlayExclusive(std::vector<std::uint8_t> bytes);

    // ---- state ----
    std::vector<std::uint8_t> PatchMemory() const;  // 24,576 bytes, records 11..88 in order
    format::PatchRecord Patch(std::size_t index) const;
    format::PatchRecord TemporaryPatch() const;
    std::vector<ReceivedMessage> ReceivedLog() const;
    void ClearLog();
    // Waits until nothing is on either cable and no answer is pending; false on time-out.
    bool WaitIdle(std::chrono::milliseconds timeout) const;

    // ---- the ports' side ----
    // A message is on the cable towards the instrument, from BeginIncoming until EndIncoming
    // (after its block's done notice); WaitIdle waits for it.
    void BeginIncoming();
    void EndIncoming();
    // The message has arrived whole: logged, applied, answered.
    void Receive(std::vector<std::uint8_t> bytes);
    bool ConnectInput(VirtualInPort& port);  // false when an input is already connected
    void DisconnectInput(VirtualInPort& port);
    bool ConnectOutput();  // false when an output is already open
    void DisconnectOutput();

private:
    void Answer(const ExclusiveMessage& request);  // called with lock_ held
    std::optional<std::vector<std::uint8_t>> BuildAnswer(const ExclusiveMessage& request) const;
    // Puts bytes on the cable towards Tessel's input. Called with lock_ held.
    void SendToTessel(std::vector<std::uint8_t> bytes, std::chrono::milliseconds delay);
    void DeliverToInput(const std::vector<std::uint8_t>& bytes);
    void EndBusy();

    mutable std::mutex lock_;  // everything below up to inputLock_
    mutable std::condition_variable idle_;
    InstrumentMemory memory_;
    std::vector<ReceivedMessage> log_;
    bool silent_ = false;
    std::optional<std::size_t> replySize_;
    std::chrono::milliseconds replyDelay_{0};
    bool wireTiming_;
    int busy_ = 0;  // messages on a cable plus answers waiting to leave
    bool outputOpen_ = false;

    std::mutex inputLock_;  // held while a delivery uses the connected input port
    VirtualInPort* input_ = nullptr;

    WireScheduler answerWire_;  // last: its actions use the members above
};

}  // namespace tessel::midi
