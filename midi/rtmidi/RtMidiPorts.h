#pragma once
// Open RtMidi ports behind the service's port interfaces; on JACK, Tessel's own JACK ports
// (JackSupport.h) stand in for RtMidi's.
//
// Output: short messages go out at once with the length their status byte implies; a
// System Exclusive block goes out at once too, and its done notice follows when the
// block would have left a MIDI 1.0 cable (WireScheduler). Input: short messages are
// posted packed; each whole System Exclusive message fills the oldest queued buffer.
// RtMidi objects are not thread-safe, and the input callback runs on RtMidi's thread,
// so every shared member is guarded by a std::mutex.
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "midi/rtmidi/JackSupport.h"
#include "midi/rtmidi/RtMidiErrors.h"
#include "midi/rtmidi/TransportProfile.h"
#include "midi/service/MidiService.h"
#include "midi/service/WireScheduler.h"

namespace tessel::midi {

// Each port opens its connection when it opens. The threads that deliver to it start then,
// after every member they may use has been constructed.
class RtMidiOutPort final : public MidiOutPort {
public:
    RtMidiOutPort(RtMidi::Api api, MidiNoticeTarget& target);
    // Gives back blocks still pending, lets the last messages leave, closes the port.
    ~RtMidiOutPort() override;

    // Opens our port and connects it to the port RtMidi calls `portName`.
    MidiResult Open(const std::string& portName);

    MidiResult Reset() override;
    MidiResult ShortMsg(std::uint32_t message) override;
    MidiResult PrepareHeader(MidiHeader& header) override;
    MidiResult LongMsg(MidiHeader& header) override;
    MidiResult UnprepareHeader(MidiHeader& header) override;

private:
    using Clock = WireScheduler::Clock;

    MidiResult CheckLongMessage(const MidiHeader& header) const;
    // Sends the bytes and reserves their cable time; `leftAt` gets the moment they have left.
    MidiResult Send(std::span<const std::uint8_t> bytes, Clock::time_point* leftAt = nullptr);
    MidiResult SendLocked(std::span<const std::uint8_t> bytes);
    void FinishBlock(MidiHeader& header);

    const RtMidi::Api api_;
    const TransportProfile profile_;
    MidiNoticeTarget& target_;
    RtMidiErrorSink errors_;
    std::unique_ptr<RtMidiOut> out_;
    std::unique_ptr<JackOutput> jack_;  // on JACK instead of out_
    std::mutex sendLock_;
    WireScheduler wire_;  // destroyed first: its pending actions use the members above
};

class RtMidiInPort final : public MidiInPort {
public:
    RtMidiInPort(RtMidi::Api api, MidiNoticeTarget& target);
    // Closes the port, then gives back buffers still queued.
    ~RtMidiInPort() override;

    // Opens our port and connects the port RtMidi calls `portName` to it; returns once the
    // connection carries messages, so that an answer to the next request is not missed.
    MidiResult Open(const std::string& portName);

    MidiResult Start() override;
    MidiResult Stop() override;
    MidiResult Reset() override;
    MidiResult PrepareHeader(MidiHeader& header) override;
    MidiResult AddBuffer(MidiHeader& header) override;
    MidiResult UnprepareHeader(MidiHeader& header) override;

private:
    static void OnMessage(double deltaTime, std::vector<unsigned char>* message, void* port);
    void Receive(std::span<const std::uint8_t> message, ArrivalTime arrived);
    void ReceiveSysex(std::span<const std::uint8_t> message);
    void GiveBackQueued();

    const RtMidi::Api api_;
    MidiNoticeTarget& target_;
    std::mutex lock_;
    bool started_ = false;
    std::deque<MidiHeader*> queue_;
    RtMidiErrorSink errors_;
    // Destroyed first, since they deliver to the members above; on JACK, jack_ instead of in_.
    std::unique_ptr<RtMidiIn> in_;
    std::unique_ptr<JackInput> jack_;
};

}  // namespace tessel::midi
