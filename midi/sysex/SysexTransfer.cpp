#include "midi/sysex/SysexTransfer.h"

#include <algorithm>
#include <utility>

#include <QString>

#include "core/prompts/UserPrompts.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/sysex/SysexTexts.h"

namespace tessel::midi {
namespace {

constexpr std::chrono::milliseconds kPollInterval{2};

}  // namespace

SysexTransfer::SysexTransfer(MidiPortLayer& ports, UserPrompts& prompts,
                             std::chrono::milliseconds timeout,
                             std::shared_ptr<SysexBlockMemory> memory)
    : ports_(ports),
      prompts_(prompts),
      timeout_(timeout),
      memory_(memory ? std::move(memory) : std::make_shared<SysexBlockMemory>()) {}

SysexTransfer::~SysexTransfer() {
    ReleaseHeldReceiveBufferSilently();
    ForgetInputBuffers();
    std::vector<BlockPtr> blocks;
    {
        std::lock_guard lock(blockLock_);
        blocks = std::move(withService_);
        if (block_) {
            blocks.push_back(std::move(block_));
        }
    }
    if (std::any_of(blocks.begin(), blocks.end(), [](auto& b) { return b->HeldByService(); })) {
        ports_.UseMidiOut([](MidiOutPort& port) { return port.Reset(); });
    }
    for (auto& block : blocks) {
        // A block the service would still hold after a reset is never freed under it.
        if (block->HeldByService()) {
            static_cast<void>(block.release());
        }
    }
    FreeReturnedBlocks(std::move(blocks));
}

void SysexTransfer::ForgetInputBuffers() {
    std::vector<std::shared_ptr<SysexBlock>> buffers;
    {
        std::lock_guard lock(receiveLock_);
        buffers = std::move(inputWithService_);
    }
    if (buffers.empty()) {
        return;
    }
    ports_.UseMidiIn([](MidiInPort& port) { return port.Reset(); });
    for (auto& buffer : buffers) {
        // One the input would still hold after a reset is left to it rather than freed.
        if (buffer->HeldByService()) {
            static_cast<void>(new std::shared_ptr<SysexBlock>(std::move(buffer)));
        }
    }
}

// ---- the outgoing block ----

bool SysexTransfer::TakeSysexBlock(std::size_t length) {
    if (Aborted() || (TransferRunning() && !OwnsTransfer())) {
        return false;
    }
    std::vector<BlockPtr> returned;
    {
        std::unique_lock lock(blockLock_);
        if (taken_ && (holder_ == std::this_thread::get_id() || !WaitForFreeBlock(lock))) {
            return false;
        }
        taken_ = true;
        holder_ = std::this_thread::get_id();
        takenLength_ = length;
        const auto back = std::stable_partition(withService_.begin(), withService_.end(),
                                                [](auto& b) { return b->HeldByService(); });
        std::move(back, withService_.end(), std::back_inserter(returned));
        withService_.erase(back, withService_.end());
    }
    FreeReturnedBlocks(std::move(returned));
    auto block = AllocateBlock();
    if (!block) {
        MarkBlockFree();
        return false;
    }
    block->header.data = block->data.data();
    block->header.bufferLength = static_cast<std::uint32_t>(length);
    block_ = std::move(block);
    return true;
}

bool SysexTransfer::WaitForFreeBlock(std::unique_lock<std::mutex>& lock) {
    // Only the transfer worker waits: the window thread may hold the block for a moment with
    // a message of its own begun just before the transfer started.
    if (!OwnsTransfer()) {
        return false;
    }
    return blockFreed_.wait_for(lock, timeout_, [this] { return !taken_; });
}

std::unique_ptr<SysexBlock> SysexTransfer::AllocateBlock() {
    auto block = memory_->Allocate();
    if (!block) {
        Show(sysex_texts::kUnableToAlloc);
        return nullptr;
    }
    if (!memory_->Lock(*block)) {
        Show(sysex_texts::kUnableToLock);
        memory_->Free(*block);
        return nullptr;
    }
    return block;
}

std::span<std::uint8_t> SysexTransfer::BlockData() {
    if (!block_ || takenLength_ > kSysexDataAreaSize) {
        return {};
    }
    return {block_->data.data(), takenLength_};
}

const MidiHeader& SysexTransfer::BlockHeader() const {
    static const MidiHeader kNoBlock;
    return block_ ? block_->header : kNoBlock;
}

void SysexTransfer::PointBlockAt(std::span<const std::uint8_t> bytes) {
    if (!block_) {
        return;
    }
    // The service only reads an outgoing block.
    block_->header.data = const_cast<std::uint8_t*>(bytes.data());
    block_->header.bufferLength = static_cast<std::uint32_t>(bytes.size());
}

bool SysexTransfer::SendSysexBlock() {
    if (!block_) {
        return false;
    }
    const bool sent = SendTakenBlock();
    ReleaseSysexBlock();
    return sent;
}

bool SysexTransfer::SendTakenBlock() {
    auto& header = block_->header;
    // A length taken beyond the data area and never pointed elsewhere was not built in it.
    if (block_->PointsAtDataArea() && header.bufferLength > kSysexDataAreaSize) {
        return false;
    }
    const auto result = ports_.UseMidiOut([&header](MidiOutPort& port) {
        auto step = port.PrepareHeader(header);
        if (step == MidiError::kNoError) {
            step = port.LongMsg(header);
            if (step != MidiError::kNoError) {
                port.UnprepareHeader(header);
            }
        }
        return step;
    });
    if (result != MidiError::kNoError) {
        Show(ports_.OutErrorText(result));
        return false;
    }
    block_->handedOver = true;
    if (const auto event = EventOfThisThread(outputDoneEvent_); event) {
        if (!AwaitReturn(event, *block_)) {
            Show(sysex_texts::kNotResponding);
            return false;
        }
    }
    return UnprepareSent();
}

bool SysexTransfer::UnprepareSent() {
    // Sent without a wait and still on its way: the service keeps it until it is back.
    if (block_->HeldByService()) {
        return true;
    }
    auto& header = block_->header;
    const auto result =
        ports_.UseMidiOut([&header](MidiOutPort& port) { return port.UnprepareHeader(header); });
    // A port closed meanwhile gave the block back as it closed: nothing is left to undo.
    if (result == MidiError::kNoError || result == MidiError::kInvalidHandle) {
        return true;
    }
    Show(ports_.OutErrorText(result));
    return false;
}

void SysexTransfer::ReleaseSysexBlock() {
    if (BlockPtr block = std::move(block_); block && block->HeldByService()) {
        std::lock_guard lock(blockLock_);
        withService_.push_back(std::move(block));
    } else if (block) {
        FreeBlock(std::move(block), true);
    }
    MarkBlockFree();
}

void SysexTransfer::MarkBlockFree() {
    {
        std::lock_guard lock(blockLock_);
        taken_ = false;
        takenLength_ = 0;
        holder_ = {};
    }
    blockFreed_.notify_all();
}

void SysexTransfer::FreeBlock(BlockPtr block, bool report) {
    if (!memory_->Free(*block) && report) {
        Show(sysex_texts::kUnableToFree);
    }
}

void SysexTransfer::FreeReturnedBlocks(std::vector<BlockPtr> blocks) {
    for (auto& block : blocks) {
        if (!block) {
            continue;
        }
        ports_.UseMidiOut(
            [&block](MidiOutPort& port) { return port.UnprepareHeader(block->header); });
        FreeBlock(std::move(block), true);
    }
}

bool SysexTransfer::IsBlockTaken() const {
    std::lock_guard lock(blockLock_);
    return taken_;
}

// ---- the input buffer ----

bool SysexTransfer::QueueReceiveBuffer() {
    if (Aborted() || HasReceiveBuffer()) {
        return false;
    }
    std::shared_ptr<SysexBlock> buffer = AllocateBlock();
    if (!buffer) {
        return false;
    }
    auto& header = buffer->header;
    header.data = buffer->data.data();
    header.bufferLength = kSysexDataAreaSize;
    const auto result = ports_.UseMidiIn([&header](MidiInPort& port) {
        auto step = port.PrepareHeader(header);
        if (step == MidiError::kNoError) {
            step = port.AddBuffer(header);
            if (step != MidiError::kNoError) {
                port.UnprepareHeader(header);
            }
        }
        return step;
    });
    if (result != MidiError::kNoError) {
        Show(ports_.InErrorText(result));
        memory_->Free(*buffer);
        return false;
    }
    buffer->handedOver = true;
    std::lock_guard lock(receiveLock_);
    receive_ = std::move(buffer);
    return true;
}

std::optional<std::size_t> SysexTransfer::WaitReceiveBuffer() {
    std::shared_ptr<SysexBlock> buffer;
    {
        std::lock_guard lock(receiveLock_);
        buffer = receive_;
    }
    if (!buffer) {
        return std::nullopt;
    }
    if (!AwaitReturn(EventOfThisThread(inputDoneEvent_), *buffer)) {
        Show(sysex_texts::kNotResponding);
        return std::nullopt;
    }
    return buffer->header.bytesRecorded;
}

std::vector<std::uint8_t> SysexTransfer::ReceivedBytes() const {
    std::lock_guard lock(receiveLock_);
    if (!receive_ || !receive_->ReturnedByService()) {
        return {};
    }
    const auto count = std::min<std::size_t>(receive_->header.bytesRecorded, kSysexDataAreaSize);
    return {receive_->data.begin(), receive_->data.begin() + static_cast<std::ptrdiff_t>(count)};
}

bool SysexTransfer::ReleaseReceiveBuffer() {
    return ReleaseBuffer(true);
}

void SysexTransfer::ReleaseHeldReceiveBufferSilently() {
    ReleaseBuffer(false);
}

bool SysexTransfer::ReleaseBuffer(bool report) {
    std::shared_ptr<SysexBlock> buffer;
    {
        std::lock_guard lock(receiveLock_);
        buffer = std::move(receive_);
    }
    if (!buffer) {
        return true;
    }
    if (buffer->HeldByService()) {
        ports_.UseMidiIn([](MidiInPort& port) { return port.Reset(); });
    }
    if (buffer->HeldByService()) {
        // Not given back: kept until this object goes, never freed under the service.
        std::lock_guard lock(receiveLock_);
        inputWithService_.push_back(std::move(buffer));
        return false;
    }
    auto& header = buffer->header;
    const auto result =
        ports_.UseMidiIn([&header](MidiInPort& port) { return port.UnprepareHeader(header); });
    memory_->Free(*buffer);
    if (result == MidiError::kNoError || result == MidiError::kInvalidHandle) {
        return true;
    }
    if (report) {
        Show(ports_.InErrorText(result));
    }
    return false;
}

bool SysexTransfer::HasReceiveBuffer() const {
    std::lock_guard lock(receiveLock_);
    return receive_ != nullptr;
}

// ---- events ----

bool SysexTransfer::BeginTransfer() {
    std::lock_guard lock(eventsLock_);
    if (outputDoneEvent_ || aborted_) {
        return false;
    }
    outputDoneEvent_ = std::make_shared<AutoResetEvent>();
    inputDoneEvent_ = std::make_shared<AutoResetEvent>();
    eventOwner_ = std::this_thread::get_id();
    return true;
}

void SysexTransfer::EndTransfer() {
    std::lock_guard lock(eventsLock_);
    if (eventOwner_ != std::this_thread::get_id()) {
        return;
    }
    outputDoneEvent_.reset();
    inputDoneEvent_.reset();
    eventOwner_ = {};
}

bool SysexTransfer::TransferRunning() const {
    std::lock_guard lock(eventsLock_);
    return outputDoneEvent_ != nullptr;
}

bool SysexTransfer::OwnsTransfer() const {
    std::lock_guard lock(eventsLock_);
    return outputDoneEvent_ && eventOwner_ == std::this_thread::get_id();
}

void SysexTransfer::AbortWaits() {
    std::lock_guard lock(eventsLock_);
    aborted_ = true;
    for (const auto& event : {outputDoneEvent_, inputDoneEvent_}) {
        if (event) {
            event->Set();
        }
    }
}

bool SysexTransfer::Aborted() const {
    std::lock_guard lock(eventsLock_);
    return aborted_;
}

void SysexTransfer::OnMidiOutDone() {
    std::lock_guard lock(eventsLock_);
    if (outputDoneEvent_) {
        outputDoneEvent_->Set();
    }
}

void SysexTransfer::OnMidiInLongData() {
    std::lock_guard lock(eventsLock_);
    if (inputDoneEvent_) {
        inputDoneEvent_->Set();
    }
}

std::shared_ptr<AutoResetEvent> SysexTransfer::EventOfThisThread(
    const std::shared_ptr<AutoResetEvent>& event) const {
    std::lock_guard lock(eventsLock_);
    return eventOwner_ == std::this_thread::get_id() ? event : nullptr;
}

bool SysexTransfer::AwaitReturn(const std::shared_ptr<AutoResetEvent>& event,
                                const SysexBlock& block) {
    const auto deadline = Clock::now() + timeout_;
    // Only a set of the event ends a wait as a completion. A set left over from an earlier
    // block (one that came back after its own wait gave up) does not count: the wait goes on
    // until this block is back or the time is up.
    while (!Aborted()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            return false;
        }
        if (!WaitOnce(event.get(), left)) {
            return false;
        }
        if (block.ReturnedByService() && !Aborted()) {
            return true;
        }
    }
    return false;
}

bool SysexTransfer::WaitOnce(AutoResetEvent* event, std::chrono::milliseconds left) {
    if (event != nullptr) {
        return event->Wait(left);
    }
    // No event outside a transfer worker: look at the block now and then instead.
    std::this_thread::sleep_for(std::min(left, kPollInterval));
    return true;
}

void SysexTransfer::Show(const std::string& text) {
    if (!Aborted()) {
        prompts_.ShowMessage(QString::fromStdString(text));
    }
}

}  // namespace tessel::midi
