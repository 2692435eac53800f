#include "midi/virtual/VirtualPorts.h"

#include <algorithm>
#include <array>
#include <utility>

#include "midi/service/WireBytes.h"

namespace tessel::midi {
namespace {

constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kAllNotesOff = 0x7B;
constexpr std::uint8_t kChannelCount = 16;

bool IsPrepared(const MidiHeader& header) {
    return (header.flags.load() & MidiHeader::kPrepared) != 0;
}

bool IsQueued(const MidiHeader& header) {
    return (header.flags.load() & MidiHeader::kInQueue) != 0;
}

MidiResult PrepareBlock(MidiHeader& header) {
    if (header.data == nullptr || header.bufferLength == 0) {
        return MidiError::kInvalidParameter;
    }
    header.flags.fetch_or(MidiHeader::kPrepared);
    header.flags.fetch_and(~MidiHeader::kDone);
    return MidiError::kNoError;
}

MidiResult UnprepareBlock(MidiHeader& header) {
    if (IsQueued(header)) {
        return MidiError::kStillPlaying;
    }
    header.flags.fetch_and(~MidiHeader::kPrepared);
    return MidiError::kNoError;
}

MidiResult CheckBlockToQueue(const MidiHeader& header) {
    if (!IsPrepared(header)) {
        return MidiError::kUnprepared;
    }
    if (IsQueued(header)) {
        return MidiError::kStillPlaying;
    }
    return MidiError::kNoError;
}

void MarkQueued(MidiHeader& header) {
    header.flags.fetch_and(~MidiHeader::kDone);
    header.flags.fetch_or(MidiHeader::kInQueue);
}

void MarkDone(MidiHeader& header) {
    header.flags.fetch_and(~MidiHeader::kInQueue);
    header.flags.fetch_or(MidiHeader::kDone);
}

}  // namespace

// ---- output ----

VirtualOutPort::VirtualOutPort(std::shared_ptr<VirtualJd800> instrument, MidiNoticeTarget& target)
    : instrument_(std::move(instrument)), target_(target), wire_(instrument_->WireTiming()) {}

VirtualOutPort::~VirtualOutPort() {
    // What is on the cable still arrives, and its blocks come back done, before the close.
    wire_.RunPendingNow();
    instrument_->DisconnectOutput();
}

MidiResult VirtualOutPort::Reset() {
    wire_.RunPendingNow();
    for (std::uint8_t channel = 0; channel < kChannelCount; ++channel) {
        Carry({static_cast<std::uint8_t>(kControlChange | channel), kAllNotesOff, 0}, nullptr);
    }
    return MidiError::kNoError;
}

MidiResult VirtualOutPort::ShortMsg(std::uint32_t message) {
    const ShortMessageBytes wire = UnpackShortMessage(message);
    if (wire.length == 0) {
        return MidiError::kInvalidParameter;
    }
    Carry({wire.bytes.begin(), wire.bytes.begin() + static_cast<std::ptrdiff_t>(wire.length)},
          nullptr);
    return MidiError::kNoError;
}

MidiResult VirtualOutPort::PrepareHeader(MidiHeader& header) {
    return PrepareBlock(header);
}

MidiResult VirtualOutPort::LongMsg(MidiHeader& header) {
    if (const auto checked = CheckBlockToQueue(header); checked != MidiError::kNoError) {
        return checked;
    }
    MarkQueued(header);
    // The bytes are taken now: the caller's buffer need only last until this call returns.
    Carry({header.data, header.data + header.bufferLength}, &header);
    return MidiError::kNoError;
}

MidiResult VirtualOutPort::UnprepareHeader(MidiHeader& header) {
    return UnprepareBlock(header);
}

void VirtualOutPort::Carry(std::vector<std::uint8_t> bytes, MidiHeader* header) {
    wire_.SetWireTiming(instrument_->WireTiming());
    instrument_->BeginIncoming();
    const auto arrives = wire_.Reserve(bytes.size());
    wire_.At(arrives, [this, header, bytes = std::move(bytes)]() mutable {
        instrument_->Receive(std::move(bytes));
        if (header != nullptr) {
            MarkDone(*header);
            target_.PostOutputDone(header);
        }
        instrument_->EndIncoming();
    });
}

// ---- input ----

VirtualInPort::VirtualInPort(std::shared_ptr<VirtualJd800> instrument, MidiNoticeTarget& target)
    : instrument_(std::move(instrument)), target_(target) {
    connected_ = instrument_->ConnectInput(*this);
}

VirtualInPort::~VirtualInPort() {
    if (connected_) {
        instrument_->DisconnectInput(*this);
    }
}

MidiResult VirtualInPort::Start() {
    std::lock_guard lock(lock_);
    started_ = true;
    return MidiError::kNoError;
}

MidiResult VirtualInPort::Stop() {
    std::lock_guard lock(lock_);
    started_ = false;
    return MidiError::kNoError;
}

MidiResult VirtualInPort::Reset() {
    std::lock_guard lock(lock_);
    started_ = false;
    for (auto* header : buffers_) {
        header->bytesRecorded = 0;
        MarkDone(*header);
        target_.PostInputLongData(header);
    }
    buffers_.clear();
    return MidiError::kNoError;
}

MidiResult VirtualInPort::PrepareHeader(MidiHeader& header) {
    return PrepareBlock(header);
}

MidiResult VirtualInPort::AddBuffer(MidiHeader& header) {
    std::lock_guard lock(lock_);
    if (const auto checked = CheckBlockToQueue(header); checked != MidiError::kNoError) {
        return checked;
    }
    header.bytesRecorded = 0;
    MarkQueued(header);
    buffers_.push_back(&header);
    return MidiError::kNoError;
}

MidiResult VirtualInPort::UnprepareHeader(MidiHeader& header) {
    std::lock_guard lock(lock_);
    return UnprepareBlock(header);
}

void VirtualInPort::DeliverShort(std::uint32_t message) {
    std::lock_guard lock(lock_);
    if (started_) {
        target_.PostShortMessage(message, std::chrono::steady_clock::now());
    }
}

void VirtualInPort::DeliverExclusive(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(lock_);
    // Like a real input: nothing is received while stopped, and with no buffer queued the
    // message is lost. A message longer than the buffer fills it; the rest is dropped.
    if (!started_ || buffers_.empty()) {
        return;
    }
    MidiHeader* header = buffers_.front();
    buffers_.pop_front();
    const auto count = std::min<std::size_t>(bytes.size(), header->bufferLength);
    std::copy_n(bytes.begin(), count, header->data);
    header->bytesRecorded = static_cast<std::uint32_t>(count);
    MarkDone(*header);
    target_.PostInputLongData(header);
}

}  // namespace tessel::midi
