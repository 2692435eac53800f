#pragma once
// Receive: the instrument's 64 patches, asked for 256 bytes at a time with 96 dump requests
// from address 05 00 00 to 06 3E 00 in order, each 266-byte answer stored as it came. An
// answer of another size is asked for again after 200 ms, at most kMaxRepeats times; a
// missing answer ends the receive with the transfer's not-responding message. The run ends by
// closing the input and listing the received file.
#include <chrono>
#include <memory>

#include "library/format/RolandMessage.h"
#include "transfers/ReceiveFile.h"
#include "transfers/TransferWorker.h"

namespace tessel::transfers {

inline constexpr std::chrono::milliseconds kPauseAfterAnswer{50};
inline constexpr std::chrono::milliseconds kPauseBeforeRepeat{200};
inline constexpr int kMaxRepeats = 10;

class ReceiveDumpWorker final : public TransferWorker {
public:
    ReceiveDumpWorker(const TransferLinks& links, std::unique_ptr<ReceiveFile> file);
    ~ReceiveDumpWorker() override;

    void Start() override;
    void Stop() override;

private:
    enum class Answer { Stored, WrongSize, Failed };

    void Run();
    // True when all 96 answers are stored.
    bool ReceiveAnswers();
    Answer RequestAnswer(const format::Address& address);
    bool Store(const std::vector<std::uint8_t>& answer);
    void FinishFile(bool complete);

    TransferLinks links_;
    std::unique_ptr<ReceiveFile> file_;
    TransferThread thread_;
};

}  // namespace tessel::transfers
