#pragma once
// Standard output as every tessel-syx command writes it. Like cat, the tool must not report
// success when its output was lost (a full disk, a closed terminal): the first write or flush
// that fails ends the command, and the tool exits 2 with the reason on standard error.
#include <array>
#include <ostream>
#include <span>
#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>

namespace tessel::syx {

// Buffered writes to a file descriptor that remember why the first one failed; every write
// after it fails at once.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int descriptor);
    std::error_code Error() const { return error_; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool Drain();

    int descriptor_;
    std::error_code error_;
    std::array<char, 64 * 1024> buffer_{};
};

class CheckedOutput : public std::ostream {
public:
    explicit CheckedOutput(int descriptor);
    std::error_code Error() const { return buffer_.Error(); }

private:
    DescriptorBuffer buffer_;
};

// RunSyxTool writing to out; a failed write or flush of out makes the status kExitError,
// with "tessel-syx: write error: REASON" on err.
int RunWithCheckedOutput(std::span<const std::string> args, CheckedOutput& out, std::ostream& err);

// A file name as one field of an output line: tab, line feed, carriage return and backslash
// written as the C escapes \t \n \r \\, so that one line always stays one entry.
std::string EscapedName(std::string_view name);

}  // namespace tessel::syx
