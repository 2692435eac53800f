#include "midi/rtmidi/RtMidiPorts.h"

#include <algorithm>
#include <array>
#include <optional>

#include "midi/rtmidi/PortNames.h"
#include "midi/service/WireBytes.h"

namespace tessel::midi {

namespace {

constexpr std::uint8_t kSysexStart = 0xF0;
constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kAllNotesOff = 0x7B;
constexpr std::uint8_t kChannelCount = 16;

// How many JACK cycles to wait at each step, at most how long, and how long to sleep
// instead when the cycles cannot be counted.
struct CycleWait {
    int cycles;
    std::chrono::milliseconds limit;
    std::chrono::milliseconds fallback;
};
constexpr CycleWait kAfterConnect{2, std::chrono::milliseconds(1000),
                                  std::chrono::milliseconds(20)};
constexpr CycleWait kBeforeClose{3, std::chrono::milliseconds(500), std::chrono::milliseconds(100)};
constexpr CycleWait kAfterClose{2, std::chrono::milliseconds(200), std::chrono::milliseconds(20)};

std::unique_ptr<JackCycles> CyclesFor(const TransportProfile& profile) {
    return profile.waitsForCycles ? std::make_unique<JackCycles>() : nullptr;
}

void Wait(const std::unique_ptr<JackCycles>& cycles, const CycleWait& wait) {
    if (cycles) {
        cycles->Wait(wait.cycles, wait.limit, wait.fallback);
    }
}

MidiResult ResultOfReport(const std::optional<RtMidiReport>& report) {
    if (!report) {
        return MidiError::kNoError;
    }
    return report->type == RtMidiError::WARNING ? MidiError::kError : ResultFor(report->type);
}

// The block has left or has been given back: the service no longer holds it.
void MarkDone(MidiHeader& header) {
    header.flags.fetch_and(~MidiHeader::kInQueue);
    header.flags.fetch_or(MidiHeader::kDone);
}

void MarkQueued(MidiHeader& header) {
    header.flags.fetch_and(~MidiHeader::kDone);
    header.flags.fetch_or(MidiHeader::kInQueue);
}

MidiResult CheckBlock(const MidiHeader& header) {
    const auto flags = header.flags.load();
    if ((flags & MidiHeader::kPrepared) == 0) {
        return MidiError::kUnprepared;
    }
    if ((flags & MidiHeader::kInQueue) != 0) {
        return MidiError::kStillPlaying;
    }
    if (header.data == nullptr || header.bufferLength == 0) {
        return MidiError::kInvalidParameter;
    }
    return MidiError::kNoError;
}

MidiResult Prepare(MidiHeader& header) {
    if (header.data == nullptr) {
        return MidiError::kInvalidParameter;
    }
    header.flags.fetch_or(MidiHeader::kPrepared);
    return MidiError::kNoError;
}

MidiResult Unprepare(MidiHeader& header) {
    if ((header.flags.load() & MidiHeader::kInQueue) != 0) {
        return MidiError::kStillPlaying;
    }
    header.flags.fetch_and(~MidiHeader::kPrepared);
    return MidiError::kNoError;
}

std::optional<unsigned> FindPort(RtMidi& rtmidi, const std::string& portName) {
    const unsigned count = rtmidi.getPortCount();
    for (unsigned index = 0; index < count; ++index) {
        if (rtmidi.getPortName(index) == portName) {
            return index;
        }
    }
    return std::nullopt;
}

// Makes Tessel's client on `api`, reporting to `errors`, and connects our port named
// `ownPortName` with the port RtMidi calls `portName`.
template <class Rt>
MidiResult OpenOwnPort(RtMidi::Api api, const std::string& portName, const std::string& ownPortName,
                       RtMidiErrorSink& errors, std::unique_ptr<Rt>& rtmidi) {
    try {
        rtmidi = std::make_unique<Rt>(api, std::string(kOwnClientName));
        errors.Attach(*rtmidi);
        const auto index = FindPort(*rtmidi, portName);
        if (!index) {
            // The port has gone since it was listed, or the whole MIDI system has.
            return errors.Take() ? MidiError::kNoDriver : MidiError::kBadDeviceId;
        }
        rtmidi->openPort(*index, ownPortName);
    } catch (const RtMidiError& error) {
        return ResultFor(error.getType());
    }
    if (const auto report = errors.Take(); report && report->type != RtMidiError::WARNING) {
        return ResultFor(report->type);
    }
    return rtmidi->isPortOpen() ? MidiError::kNoError : MidiError::kNoDriver;
}

}  // namespace

// ---- output ----

RtMidiOutPort::RtMidiOutPort(RtMidi::Api api, MidiNoticeTarget& target)
    : api_(api), profile_(ProfileFor(api)), target_(target), cycles_(CyclesFor(profile_)) {}

RtMidiOutPort::~RtMidiOutPort() {
    wire_.RunPendingNow();
    if (out_) {
        if (SentAnything()) {
            Wait(cycles_, kBeforeClose);
        }
        out_->closePort();
        Wait(cycles_, kAfterClose);
    }
}

MidiResult RtMidiOutPort::Open(const std::string& portName) {
    const auto result = OpenOwnPort(api_, portName, "MIDI Out", errors_, out_);
    if (result == MidiError::kNoError) {
        Wait(cycles_, kAfterConnect);
    }
    return result;
}

MidiResult RtMidiOutPort::Reset() {
    wire_.RunPendingNow();
    MidiResult result = MidiError::kNoError;
    for (std::uint8_t channel = 0; channel < kChannelCount; ++channel) {
        const std::array<std::uint8_t, 3> allNotesOff{
            static_cast<std::uint8_t>(kControlChange | channel), kAllNotesOff, 0};
        const auto sent = Send(allNotesOff);
        if (result == MidiError::kNoError) {
            result = sent;
        }
    }
    return result;
}

MidiResult RtMidiOutPort::ShortMsg(std::uint32_t message) {
    const auto bytes = UnpackShortMessage(message);
    if (bytes.length == 0) {
        return MidiError::kInvalidParameter;
    }
    return Send(bytes.View());
}

MidiResult RtMidiOutPort::PrepareHeader(MidiHeader& header) {
    return Prepare(header);
}

MidiResult RtMidiOutPort::LongMsg(MidiHeader& header) {
    if (const auto checked = CheckLongMessage(header); checked != MidiError::kNoError) {
        return checked;
    }
    MarkQueued(header);
    Clock::time_point leftAt;
    if (const auto sent = Send({header.data, header.bufferLength}, &leftAt);
        sent != MidiError::kNoError) {
        header.flags.fetch_and(~MidiHeader::kInQueue);
        return sent;
    }
    wire_.At(leftAt, [this, &header] { FinishBlock(header); });
    return MidiError::kNoError;
}

MidiResult RtMidiOutPort::UnprepareHeader(MidiHeader& header) {
    return Unprepare(header);
}

MidiResult RtMidiOutPort::CheckLongMessage(const MidiHeader& header) const {
    if (const auto checked = CheckBlock(header); checked != MidiError::kNoError) {
        return checked;
    }
    return header.bufferLength > profile_.maxMessage ? MidiError::kTooLong : MidiError::kNoError;
}

MidiResult RtMidiOutPort::Send(std::span<const std::uint8_t> bytes, Clock::time_point* leftAt) {
    std::lock_guard lock(sendLock_);
    errors_.Take();
    try {
        out_->sendMessage(bytes.data(), bytes.size());
    } catch (const RtMidiError& error) {
        return ResultFor(error.getType());
    }
    if (const auto result = ResultOfReport(errors_.Take()); result != MidiError::kNoError) {
        return result;
    }
    sentAnything_ = true;
    const auto left = wire_.Reserve(bytes.size());
    if (leftAt != nullptr) {
        *leftAt = left;
    }
    return MidiError::kNoError;
}

void RtMidiOutPort::FinishBlock(MidiHeader& header) {
    MarkDone(header);
    target_.PostOutputDone(&header);
}

bool RtMidiOutPort::SentAnything() {
    std::lock_guard lock(sendLock_);
    return sentAnything_;
}

// ---- input ----

RtMidiInPort::RtMidiInPort(RtMidi::Api api, MidiNoticeTarget& target)
    : api_(api), profile_(ProfileFor(api)), target_(target), cycles_(CyclesFor(profile_)) {}

RtMidiInPort::~RtMidiInPort() {
    in_.reset();  // closes the port and ends RtMidi's thread: no callback runs after this
    GiveBackQueued();
}

MidiResult RtMidiInPort::Open(const std::string& portName) {
    const auto result = OpenOwnPort(api_, portName, "MIDI In", errors_, in_);
    if (result != MidiError::kNoError) {
        return result;
    }
    // System Exclusive on; Timing Clock and Active Sensing, which would only flood the
    // notices and are never recorded, off.
    in_->ignoreTypes(false, true, true);
    in_->setCallback(&RtMidiInPort::OnMessage, this);
    Wait(cycles_, kAfterConnect);
    return MidiError::kNoError;
}

MidiResult RtMidiInPort::Start() {
    std::lock_guard lock(lock_);
    started_ = true;
    return MidiError::kNoError;
}

MidiResult RtMidiInPort::Stop() {
    std::lock_guard lock(lock_);
    started_ = false;
    return MidiError::kNoError;
}

MidiResult RtMidiInPort::Reset() {
    {
        std::lock_guard lock(lock_);
        started_ = false;
    }
    GiveBackQueued();
    return MidiError::kNoError;
}

MidiResult RtMidiInPort::PrepareHeader(MidiHeader& header) {
    return Prepare(header);
}

MidiResult RtMidiInPort::AddBuffer(MidiHeader& header) {
    if (const auto checked = CheckBlock(header); checked != MidiError::kNoError) {
        return checked;
    }
    std::lock_guard lock(lock_);
    header.bytesRecorded = 0;
    MarkQueued(header);
    queue_.push_back(&header);
    return MidiError::kNoError;
}

MidiResult RtMidiInPort::UnprepareHeader(MidiHeader& header) {
    return Unprepare(header);
}

void RtMidiInPort::OnMessage(double, std::vector<unsigned char>* message, void* port) {
    if (message != nullptr && !message->empty()) {
        static_cast<RtMidiInPort*>(port)->Receive(*message, std::chrono::steady_clock::now());
    }
}

void RtMidiInPort::Receive(std::span<const std::uint8_t> message, ArrivalTime arrived) {
    if (message.front() == kSysexStart) {
        ReceiveSysex(message);
        return;
    }
    if (ShortMessageLength(message.front()) == 0) {
        return;
    }
    {
        std::lock_guard lock(lock_);
        if (!started_) {
            return;
        }
    }
    target_.PostShortMessage(PackShortMessage(message), arrived);
}

// The message fills the oldest queued buffer; what does not fit is dropped, and the
// buffer comes back full (bytesRecorded == bufferLength). With no buffer queued the
// whole message is dropped.
void RtMidiInPort::ReceiveSysex(std::span<const std::uint8_t> message) {
    MidiHeader* header = nullptr;
    {
        std::lock_guard lock(lock_);
        if (!started_ || queue_.empty()) {
            return;
        }
        header = queue_.front();
        queue_.pop_front();
        const auto count = std::min<std::size_t>(message.size(), header->bufferLength);
        std::copy_n(message.begin(), count, header->data);
        header->bytesRecorded = static_cast<std::uint32_t>(count);
        MarkDone(*header);
    }
    target_.PostInputLongData(header);
}

void RtMidiInPort::GiveBackQueued() {
    std::deque<MidiHeader*> returned;
    {
        std::lock_guard lock(lock_);
        returned.swap(queue_);
        for (auto* header : returned) {
            MarkDone(*header);
        }
    }
    for (auto* header : returned) {
        target_.PostInputLongData(header);
    }
}

}  // namespace tessel::midi
