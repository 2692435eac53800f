#include "transfers/ReceiveDumpWorker.h"

#include "core/prompts/UserPrompts.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/sysex/SysexTransfer.h"
#include "transfers/TransferTexts.h"
#include "transfers/TransferView.h"

namespace tessel::transfers {
namespace {

constexpr int kLastAnswer = int(format::kDumpMessageCount) - 1;
constexpr std::uint32_t kAnswerDataSize = 256;

}  // namespace

ReceiveDumpWorker::ReceiveDumpWorker(const TransferLinks& links, std::unique_ptr<ReceiveFile> file)
    : links_(links), file_(std::move(file)) {}

ReceiveDumpWorker::~ReceiveDumpWorker() {
    Stop();
}

void ReceiveDumpWorker::Start() {
    thread_.Start([this] { Run(); });
}

void ReceiveDumpWorker::Stop() {
    thread_.Stop();
}

void ReceiveDumpWorker::Run() {
    auto& view = links_.view;
    bool complete = false;
    if (links_.sysex.BeginTransfer()) {
        links_.ports.StartMidiIn();
        view.ShowProgress(0, kLastAnswer);
        complete = ReceiveAnswers();
        view.ShowProgress(0, kLastAnswer);
        FinishFile(complete);
        links_.sysex.EndTransfer();
        links_.ports.CloseMidiIn();
    } else {
        FinishFile(false);
    }
    if (!thread_.StopRequested()) {
        view.ShowReceivedFile();
    }
    view.TransferEnded();
}

bool ReceiveDumpWorker::ReceiveAnswers() {
    format::Address address = format::kPatchMemoryAddress;
    int wrongSize = 0;
    for (int count = 0; count < int(format::kDumpMessageCount);) {
        switch (RequestAnswer(address)) {
            case Answer::Failed:
                return false;
            case Answer::WrongSize:
                if (++wrongSize > kMaxRepeats) {
                    links_.prompts.ShowMessage(WrongSizeText(address, wrongSize));
                    return false;
                }
                if (!thread_.Pause(kPauseBeforeRepeat)) {
                    return false;
                }
                break;
            case Answer::Stored:
                if (!thread_.Pause(kPauseAfterAnswer)) {
                    return false;
                }
                address = format::AddressPlus(address, kAnswerDataSize);
                links_.view.ShowProgress(count, kLastAnswer);
                ++count;
                wrongSize = 0;
                break;
        }
    }
    return true;
}

// One request and its answer. The buffer is queued before the request leaves, so an answer
// never arrives with no buffer ready; it is given up in every case.
ReceiveDumpWorker::Answer ReceiveDumpWorker::RequestAnswer(const format::Address& address) {
    auto& sysex = links_.sysex;
    if (!sysex.QueueReceiveBuffer()) {
        return Answer::Failed;
    }
    const format::Bytes request = format::BuildDumpRequest(links_.ports.DeviceByte(), address);
    if (!sysex.TakeSysexBlock(request.size())) {
        sysex.ReleaseReceiveBuffer();
        return Answer::Failed;
    }
    std::ranges::copy(request, sysex.BlockData().begin());
    const std::optional<std::size_t> received =
        sysex.SendSysexBlock() ? sysex.WaitReceiveBuffer() : std::nullopt;
    if (!received) {
        sysex.ReleaseReceiveBuffer();
        return Answer::Failed;
    }
    if (*received != format::kDt1MessageSize) {
        return sysex.ReleaseReceiveBuffer() ? Answer::WrongSize : Answer::Failed;
    }
    const bool stored = Store(sysex.ReceivedBytes());
    return sysex.ReleaseReceiveBuffer() && stored ? Answer::Stored : Answer::Failed;
}

bool ReceiveDumpWorker::Store(const std::vector<std::uint8_t>& answer) {
    std::string reason;
    if (file_->Append(answer, reason)) {
        return true;
    }
    links_.prompts.ShowMessage(CannotWriteText(file_->Target(), reason));
    return false;
}

void ReceiveDumpWorker::FinishFile(bool complete) {
    std::string reason;
    if (!file_->Finish(complete, reason)) {
        links_.prompts.ShowMessage(CannotWriteText(file_->Target(), reason));
    }
}

}  // namespace tessel::transfers
