#pragma once
// Send: a whole dump file into the instrument. The file is read once into memory and sent as
// it stands, message by message (each cut at its F7, bytes before the first F0 going with the
// first message, trailing bytes without an F7 as a last one), each straight from the image
// through the outgoing block, 30 ms apart so that a real instrument keeps up. The run ends by
// selecting patch 11 and a Program Change 0, so the instrument plays what the list shows.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "transfers/TransferWorker.h"

namespace tessel::transfers {

// Larger files are not patch memory dumps (a whole dump is 25,536 bytes): they are not read.
inline constexpr std::uintmax_t kLargestSendableFile = 16 * 1024 * 1024;
inline constexpr std::chrono::milliseconds kPauseAfterMessage{30};

// The whole file, or none when it cannot be read, is no regular file or is too large.
std::optional<std::vector<std::uint8_t>> ReadSendableFile(const std::filesystem::path& file);

// The length of the message that starts at `offset`: up to and including the next F7, or to
// the end of the bytes when none follows.
std::size_t MessageLengthAt(const std::vector<std::uint8_t>& bytes, std::size_t offset);

class SendDumpWorker final : public TransferWorker {
public:
    SendDumpWorker(const TransferLinks& links, std::filesystem::path file);
    ~SendDumpWorker() override;

    void Start() override;
    void Stop() override;

private:
    void Run();
    // True when every message went out.
    bool SendMessages(const std::vector<std::uint8_t>& image);
    void Finish(bool complete, int size);

    TransferLinks links_;
    std::filesystem::path file_;
    TransferThread thread_;
};

}  // namespace tessel::transfers
