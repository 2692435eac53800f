#include "tests/e2e/ChildProcess.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace tessel::test {

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// The exit code, -1 for a death by signal, nothing while it still runs after `timeout`.
std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
    int in[2];
    int out[2];
    if (pipe(in) != 0) {
        return;
    }
    if (pipe(out) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    for (const int fd : {in[0], in[1], out[0], out[1]}) {
        posix_spawn_file_actions_addclose(&actions, fd);
    }
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
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
    signal(SIGPIPE, SIG_IGN);  // a child that has died must not end the test
}

ChildProcess::~ChildProcess() {
    Finish();
}

bool ChildProcess::WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    return toChild_ >= 0 &&
           write(toChild_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        if (!FillBuffer(deadline)) {
            return std::nullopt;
        }
    }
}

bool ChildProcess::FillBuffer(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (fromChild_ < 0 || left.count() <= 0) {
        return false;
    }
    pollfd ready{fromChild_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
        return false;
    }
    char chunk[4096];
    const ssize_t got = read(fromChild_, chunk, sizeof chunk);
    if (got <= 0) {
        return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(got));
    return true;
}

int ChildProcess::Finish() {
    CloseFd(toChild_);
    int code = -1;
    if (pid_ > 0) {
        if (const auto exit = WaitForExit(pid_, std::chrono::seconds(2))) {
            code = *exit;
        } else {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    pid_ = -1;
    CloseFd(fromChild_);
    return code;
}

}  // namespace tessel::test
