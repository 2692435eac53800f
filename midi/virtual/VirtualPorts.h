#pragma once
// The two ports of the virtual instrument. The output port carries Tessel's messages to the
// instrument over a simulated MIDI 1.0 cable (WireScheduler): each arrives, and each block's
// done notice follows, when its last byte would have left. The input port hands the
// instrument's messages to Tessel: short ones while started, System Exclusive ones into the
// queued buffers.
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "midi/service/MidiService.h"
#include "midi/service/WireScheduler.h"
#include "midi/virtual/VirtualJd800.h"

namespace tessel::midi {

class VirtualOutPort final : public MidiOutPort {
public:
    // The instrument must have accepted the connection (ConnectOutput).
    VirtualOutPort(std::shared_ptr<VirtualJd800> instrument, MidiNoticeTarget& target);
    ~VirtualOutPort() override;

    MidiResult Reset() override;
    MidiResult ShortMsg(std::uint32_t message) override;
    MidiResult PrepareHeader(MidiHeader& header) override;
    MidiResult LongMsg(MidiHeader& header) override;
    MidiResult UnprepareHeader(MidiHeader& header) override;

private:
    // Puts the bytes on the cable; `header`, when given, is marked done and noticed on arrival.
    void Carry(std::vector<std::uint8_t> bytes, MidiHeader* header);

    std::shared_ptr<VirtualJd800> instrument_;
    MidiNoticeTarget& target_;
    WireScheduler wire_;  // last: its pending actions use the members above
};

class VirtualInPort final : public MidiInPort {
public:
    // Connects itself to the instrument; Connected() tells whether that worked.
    VirtualInPort(std::shared_ptr<VirtualJd800> instrument, MidiNoticeTarget& target);
    ~VirtualInPort() override;
    bool Connected() const { return connected_; }

    MidiResult Start() override;
    MidiResult Stop() override;
    MidiResult Reset() override;
    MidiResult PrepareHeader(MidiHeader& header) override;
    MidiResult AddBuffer(MidiHeader& header) override;
    MidiResult UnprepareHeader(MidiHeader& header) override;

    // The instrument's side, called under its input lock.
    void DeliverShort(std::uint32_t message);
    void DeliverExclusive(const std::vector<std::uint8_t>& bytes);

private:
    std::shared_ptr<VirtualJd800> instrument_;
    MidiNoticeTarget& target_;
    bool connected_ = false;
    std::mutex lock_;
    bool started_ = false;
    std::deque<MidiHeader*> buffers_;
};

}  // namespace tessel::midi
