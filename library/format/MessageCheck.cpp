#include "library/format/MessageCheck.h"

#include <array>

#include "library/format/FileWindow.h"
#include "library/format/RolandMessage.h"

namespace tessel::format {

namespace {

constexpr std::size_t kClassifyingBytes = 5;  // F0 41 dd 3D cc
constexpr std::size_t kSmallestChecked = kHeaderSize + 2;

// Follows one message at a time; bytes between messages are passed over.
class MessageWalk {
public:
    void Feed(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            Step(bytes[i], offset + i);
        }
    }

    MessageReport Finish() {
        if (inMessage_) {
            report_.problems.push_back({MessageProblem::Kind::unterminated, start_});
        }
        return std::move(report_);
    }

private:
    void Step(std::uint8_t byte, std::uint64_t offset) {
        if (byte == kExclusiveStart) {
            Begin(offset);
        } else if (!inMessage_) {
            return;
        } else if (byte == kExclusiveEnd) {
            End();
        } else {
            Take(byte);
        }
    }

    void Begin(std::uint64_t offset) {
        if (inMessage_) {
            report_.problems.push_back({MessageProblem::Kind::unterminated, start_});
        }
        inMessage_ = true;
        start_ = offset;
        length_ = 1;
        sum_ = 0;
        head_[0] = kExclusiveStart;
    }

    void Take(std::uint8_t byte) {
        if (length_ < kClassifyingBytes) {
            head_[length_] = byte;
        } else {
            sum_ += byte;
            last_ = byte;
        }
        ++length_;
    }

    bool IsJd800Data() const {
        return length_ >= kClassifyingBytes && head_[1] == kRolandId && head_[3] == kJd800ModelId &&
               (head_[4] == kCommandDt1 || head_[4] == kCommandRq1);
    }

    void End() {
        inMessage_ = false;
        ++report_.messages;
        if (!IsJd800Data()) {
            return;
        }
        if (length_ + 1 < kSmallestChecked) {
            report_.problems.push_back({MessageProblem::Kind::tooShort, start_});
        } else if (sum_ % 128 != 0) {
            const auto expected = static_cast<std::uint8_t>((128 - (sum_ - last_) % 128) % 128);
            report_.problems.push_back(
                {MessageProblem::Kind::badChecksum, start_, last_, expected});
        }
    }

    MessageReport report_;
    bool inMessage_ = false;
    std::uint64_t start_ = 0;
    std::size_t length_ = 0;  // bytes of the message so far, its F0 included
    std::array<std::uint8_t, kClassifyingBytes> head_{};
    std::uint64_t sum_ = 0;  // bytes from the address on, the checksum included
    std::uint8_t last_ = 0;  // the latest byte, the checksum once the F7 comes
};

}  // namespace

MessageReport CheckMessagesInBytes(std::span<const std::uint8_t> bytes) {
    MessageWalk walk;
    walk.Feed(bytes, 0);
    return walk.Finish();
}

MessageReport CheckMessagesIn(FileWindow& window) {
    MessageWalk walk;
    std::uint64_t position = 0;
    for (auto bytes = window.From(position, 1); !bytes.empty(); bytes = window.From(position, 1)) {
        walk.Feed(bytes, position);
        position += bytes.size();
    }
    return window.Error() ? MessageReport{} : walk.Finish();
}

MessageReport CheckMessages(const std::filesystem::path& file, std::error_code& error) {
    FileWindow window(file);
    MessageReport report = CheckMessagesIn(window);
    error = window.Error();
    return report;
}

}  // namespace tessel::format
