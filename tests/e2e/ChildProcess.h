#pragma once
// A child process with pipes to its stdin and from its stdout, for driving the test
// instrument and servers. Lines are read with a time-out, so a test never hangs on a silent
// child.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tessel::test {

class ChildProcess {
public:
    // Starts `program` with `arguments`; Pid() is -1 when that failed.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~ChildProcess() { Finish(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    bool WriteLine(const std::string& line);
    // The next line of its stdout, or nothing when none came within `timeout`.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    // Closes its stdin and waits up to 2 s for it to end, then kills it. Returns its exit
    // code, or -1 when it had to be killed, died of a signal or never started.
    int Finish();

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string buffer_;
};

}  // namespace tessel::test
