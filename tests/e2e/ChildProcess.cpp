#include "tests/e2e/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace tessel::test {

using Clock = std::chrono::steady_clock;

static void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
    }
    fd = -1;
}

// The pipes are closed on exec, so that no other child holds the instrument's stdin open.
ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
    signal(SIGPIPE, SIG_IGN);  // a child that has died must not end the test
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    toChild_ = in[1];
    fromChild_ = out[0];
}

bool ChildProcess::WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    return toChild_ >= 0 &&
           write(toChild_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::size_t end = 0;
    while ((end = buffer_.find('\n')) == std::string::npos) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd ready{fromChild_, POLLIN, 0};
        char chunk[4096];
        ssize_t got = 0;
        if (fromChild_ < 0 || left <= 0 || poll(&ready, 1, static_cast<int>(left)) <= 0 ||
            (got = read(fromChild_, chunk, sizeof chunk)) <= 0) {
            return std::nullopt;
        }
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
    std::string line = buffer_.substr(0, end);
    buffer_.erase(0, end + 1);
    return line;
}

int ChildProcess::Finish() {
    CloseFd(toChild_);
    int status = 0;
    pid_t ended = 0;
    for (const auto deadline = Clock::now() + std::chrono::seconds(2);
         pid_ > 0 && (ended = waitpid(pid_, &status, WNOHANG)) == 0 && Clock::now() < deadline;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (pid_ > 0 && ended == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    const bool exited = pid_ > 0 && ended == pid_ && WIFEXITED(status);
    pid_ = -1;
    CloseFd(fromChild_);
    return exited ? WEXITSTATUS(status) : -1;
}

}  // namespace tessel::test
