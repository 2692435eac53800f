#pragma once
// Where a receive stores the instrument's answers without putting the user's file at risk:
// the answers go to a temporary file beside the target, which replaces the target only once
// the receive is complete. A receive that stops early leaves a target that existed before as
// it was; a target made new for the receive keeps the answers received so far.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace tessel::transfers {

class ReceiveFile {
public:
    // Makes sure the target can be written (creating it, empty, when it does not exist) and
    // creates the temporary file. None when either fails, with the system's reason.
    static std::unique_ptr<ReceiveFile> Create(const std::filesystem::path& target,
                                               std::string& reason);
    ~ReceiveFile();  // an unfinished file is given up as by Finish(false)
    ReceiveFile(const ReceiveFile&) = delete;
    ReceiveFile& operator=(const ReceiveFile&) = delete;

    const std::filesystem::path& Target() const { return target_; }
    // False with the reason when the bytes could not be written.
    bool Append(std::span<const std::uint8_t> bytes, std::string& reason);
    // Complete, or a target made new: the answers replace the target. Otherwise the
    // temporary file is removed. False with the reason when the replacement failed.
    bool Finish(bool complete, std::string& reason);

private:
    ReceiveFile(std::filesystem::path target, std::filesystem::path temporary, std::FILE* file,
                bool targetExisted);
    bool CloseTemporary(std::string& reason);

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::FILE* file_;
    bool targetExisted_;
    bool finished_ = false;
};

}  // namespace tessel::transfers
