#include "midi/virtual/VirtualJd800.h"

#include <utility>

#include "midi/virtual/VirtualPorts.h"

namespace tessel::midi {
namespace {

constexpr std::size_t kRequestSizeBytes = 3;
constexpr std::size_t kFramingSize = format::kHeaderSize + 2;

std::uint32_t RequestedSize(std::span<const std::uint8_t> body) {
    return AddressValue({body[0], body[1], body[2]});
}

}  // namespace

VirtualJd800::VirtualJd800(bool wireTiming)
    : memory_(DemoBankRecords()), wireTiming_(wireTiming), answerWire_(wireTiming) {}

VirtualJd800::~VirtualJd800() = default;

void VirtualJd800::SetWireTiming(bool on) {
    std::lock_guard lock(lock_);
    wireTiming_ = on;
    answerWire_.SetWireTiming(on);
}

bool VirtualJd800::WireTiming() const {
    std::lock_guard lock(lock_);
    return wireTiming_;
}

void VirtualJd800::SetSilent(bool silent) {
    std::lock_guard lock(lock_);
    silent_ = silent;
}

void VirtualJd800::SetReplySize(std::optional<std::size_t> bytes) {
    std::lock_guard lock(lock_);
    replySize_ = bytes;
}

void VirtualJd800::SetReplyDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(lock_);
    replyDelay_ = delay;
}

void VirtualJd800::PlayShortMessage(std::uint32_t message) {
    std::lock_guard lock(inputLock_);
    if (input_ != nullptr) {
        input_->DeliverShort(message);
    }
}

void VirtualJd800::PlayExclusive(std::vector<std::uint8_t> bytes) {
    std::lock_guard lock(lock_);
    SendToTessel(std::move(bytes), std::chrono::milliseconds{0});
}

std::vector<std::uint8_t> VirtualJd800::PatchMemory() const {
    std::lock_guard lock(lock_);
    return memory_.PatchMemory();
}

format::PatchRecord VirtualJd800::Patch(std::size_t index) const {
    std::lock_guard lock(lock_);
    return memory_.Patch(index);
}

format::PatchRecord VirtualJd800::TemporaryPatch() const {
    std::lock_guard lock(lock_);
    return memory_.TemporaryPatch();
}

std::vector<ReceivedMessage> VirtualJd800::ReceivedLog() const {
    std::lock_guard lock(lock_);
    return log_;
}

void VirtualJd800::ClearLog() {
    std::lock_guard lock(lock_);
    log_.clear();
}

bool VirtualJd800::WaitIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(lock_);
    return idle_.wait_for(lock, timeout, [this] { return busy_ == 0; });
}

void VirtualJd800::BeginIncoming() {
    std::lock_guard lock(lock_);
    ++busy_;
}

void VirtualJd800::Receive(std::vector<std::uint8_t> bytes) {
    {
        std::lock_guard lock(lock_);
        log_.push_back({Clock::now(), bytes});
        if (const auto message = ParseExclusive(log_.back().bytes)) {
            if (message->command == format::kCommandDt1) {
                memory_.Write(message->address, message->body);
            } else if (message->command == format::kCommandRq1) {
                Answer(*message);
            }
        }
    }
}

void VirtualJd800::EndIncoming() {
    EndBusy();
}

void VirtualJd800::Answer(const ExclusiveMessage& request) {
    if (silent_ || request.body.size() != kRequestSizeBytes) {
        return;
    }
    if (auto answer = BuildAnswer(request)) {
        SendToTessel(std::move(*answer), replyDelay_);
    }
}

std::optional<std::vector<std::uint8_t>> VirtualJd800::BuildAnswer(
    const ExclusiveMessage& request) const {
    const auto address = AddressBytes(request.address);
    if (!replySize_) {
        const auto data = memory_.Read(request.address, RequestedSize(request.body));
        if (!data) {
            return std::nullopt;
        }
        return format::BuildDt1(request.deviceByte, address, *data);
    }
    const std::size_t size = *replySize_;
    const auto dataSize = size >= kFramingSize ? size - kFramingSize : 0;
    auto answer = format::BuildDt1(request.deviceByte, address,
                                   memory_.ReadPadded(request.address, std::uint32_t(dataSize)));
    answer.resize(size);
    return answer;
}

void VirtualJd800::SendToTessel(std::vector<std::uint8_t> bytes, std::chrono::milliseconds delay) {
    ++busy_;
    const auto leaves = answerWire_.Reserve(bytes.size()) + delay;
    answerWire_.At(leaves, [this, bytes = std::move(bytes)] {
        DeliverToInput(bytes);
        EndBusy();
    });
}

void VirtualJd800::DeliverToInput(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(inputLock_);
    if (input_ != nullptr) {
        input_->DeliverExclusive(bytes);
    }
}

void VirtualJd800::EndBusy() {
    {
        std::lock_guard lock(lock_);
        --busy_;
    }
    idle_.notify_all();
}

bool VirtualJd800::ConnectInput(VirtualInPort& port) {
    std::lock_guard lock(inputLock_);
    if (input_ != nullptr) {
        return false;
    }
    input_ = &port;
    return true;
}

void VirtualJd800::DisconnectInput(VirtualInPort& port) {
    std::lock_guard lock(inputLock_);
    if (input_ == &port) {
        input_ = nullptr;
    }
}

bool VirtualJd800::ConnectOutput() {
    std::lock_guard lock(lock_);
    if (outputOpen_) {
        return false;
    }
    outputOpen_ = true;
    return true;
}

void VirtualJd800::DisconnectOutput() {
    std::lock_guard lock(lock_);
    outputOpen_ = false;
}

}  // namespace tessel::midi
