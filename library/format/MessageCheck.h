#pragma once
// Walks the exclusive messages of a file and checks every JD-800 DT1 and RQ1 message
// (F0 41 dd 3D 11|12 a2 a1 a0 ... cs F7): the bytes from the address through the checksum
// must add up to a multiple of 128.
#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

namespace tessel::format {

struct MessageProblem {
    enum class Kind {
        badChecksum,   // stored and expected hold the checksum bytes
        tooShort,      // a JD-800 DT1/RQ1 message with no room for address and checksum
        unterminated,  // an F0 or the end of the file came before the message's F7
    };
    Kind kind;
    std::uint64_t offset;  // of the message's F0
    std::uint8_t stored = 0;
    std::uint8_t expected = 0;

    bool operator==(const MessageProblem&) const = default;
};

struct MessageReport {
    std::size_t messages = 0;  // messages closed by an F7, of any maker
    std::vector<MessageProblem> problems;

    bool operator==(const MessageReport&) const = default;
};

class FileWindow;

MessageReport CheckMessagesInBytes(std::span<const std::uint8_t> bytes);
// The whole file of the window; empty when it cannot be read (the window's error).
MessageReport CheckMessagesIn(FileWindow& window);
// Empty with error set when the file cannot be opened or read.
MessageReport CheckMessages(const std::filesystem::path& file, std::error_code& error);

}  // namespace tessel::format
