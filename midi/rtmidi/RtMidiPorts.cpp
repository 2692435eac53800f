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
    : api_(api), profile_(ProfileFor(api)), target_(target) {}

RtMidiOutPort::~RtMidiOutPort() {
    wire_.RunPendingNow();
    jack_.reset();  // lets the last messages leave first
    if (out_) {
        out_->closePort();
    }
}

MidiResult RtMidiOutPort::Open(const std::string& portName) {
    if (api_ == RtMidi::UNIX_JACK) {
        return JackOutput::Open(portName, jack_);
    }
    return OpenOwnPort(api_, portName, "MIDI Out", errors_, out_);
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
    if (const auto result = SendLocked(bytes); result != MidiError::kNoError) {
        return result;
    }
    const auto left = wire_.Reserve(bytes.size());
    if (leftAt != nullptr) {
        *leftAt = left;
    }
    return MidiError::kNoError;
}

MidiResult RtMidiOutPort::SendLocked(std::span<const std::uint8_t> bytes) {
    if (jack_) {
        return jack_->Send(bytes);
    }
    errors_.Take();
    try {
        out_->sendMessage(bytes.data(), bytes.size());
    } catch (const RtMidiError& error) {
        return ResultFor(error.getType());
    }
    return ResultOfReport(errors_.Take());
}

void RtMidiOutPort::FinishBlock(MidiHeader& header) {
    MarkDone(header);
    target_.PostOutputDone(&header);
}

// ---- input ----

RtMidiInPort::RtMidiInPort(RtMidi::Api api, MidiNoticeTarget& target)
    : api_(api), target_(target) {}

RtMidiInPort::~RtMidiInPort() {
    // Closes the port and ends the deliveries: no message comes after this.
    jack_.reset();
    in_.reset();
    GiveBackQueued();
}

MidiResult RtMidiInPort::Open(const std::string& portName) {
    if (api_ == RtMidi::UNIX_JACK) {
        return JackInput::Open(
            portName,
            [this](std::span<const std::uint8_t> message, ArrivalTime arrived) {
                Receive(message, arrived);
            },
            jack_);
    }
    const auto result = OpenOwnPort(api_, portName, "MIDI In", errors_, in_);
    if (result != MidiError::kNoError) {
        return result;
    }
    // System Exclusive on; Timing Clock and Active Sensing, which would only flood the
    // notices and are never recorded, off.
    in_->ignoreTypes(false, true, true);
    in_->setCallback(&RtMidiInPort::OnMessage, this);
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
