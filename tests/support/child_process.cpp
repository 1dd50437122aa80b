// Children of the test process under a different user, a memory limit and a
// time limit, and the writer thread of a named pipe.
#include "support/child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace korvcmp::testing {
namespace {

// Only async-signal-safe calls may follow a fork in a process with threads:
// the child reports a failed step with write() and _exit().
[[noreturn]] void childFails(const char* step) {
    const char* reason = std::strerror(errno);
    const char prefix[] = "child setup failed: ";
    (void)!write(2, prefix, sizeof prefix - 1);
    (void)!write(2, step, std::strlen(step));
    (void)!write(2, ": ", 2);
    (void)!write(2, reason, std::strlen(reason));
    (void)!write(2, "\n", 1);
    _exit(126);
}

void switchUser(uid_t user) {
    if (setgroups(0, nullptr) != 0) {
        childFails("setgroups");
    }
    if (setgid(static_cast<gid_t>(user)) != 0) {
        childFails("setgid");
    }
    if (setuid(user) != 0) {
        childFails("setuid");
    }
}

void appendAvailable(int fd, std::string& text, bool& open) {
    char buffer[65536];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
        open = false;
    }
}

}  // namespace

ChildResult runBinaryWith(const std::vector<std::string>& arguments, const ChildOptions& options) {
    const std::string program = options.program.empty() ? KORVCMP_BINARY : options.program;
    // Everything the child needs is prepared before the fork.
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        envp.push_back(*variable);
    }
    for (const std::string& variable : options.environment) {
        envp.push_back(const_cast<char*>(variable.c_str()));
    }
    envp.push_back(nullptr);
    rlimit limit{};
    if (options.addressSpaceLimit) {
        limit.rlim_cur = static_cast<rlim_t>(*options.addressSpaceLimit);
        limit.rlim_max = limit.rlim_cur;
    }

    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        throw std::runtime_error("pipe failed");
    }
    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        const int devNull = open("/dev/null", O_RDONLY);
        if (devNull < 0 || dup2(devNull, 0) < 0 || dup2(out[1], 1) < 0 || dup2(err[1], 2) < 0) {
            childFails("redirection");
        }
        if (!options.standardOutputOnto.empty()) {
            const int onto = open(options.standardOutputOnto.c_str(), O_RDWR);
            if (onto < 0 || dup2(onto, 1) < 0) {
                childFails("standard output onto a file");
            }
        }
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) {
            childFails("chdir");
        }
        if (options.user) {
            switchUser(*options.user);
        }
        if (options.addressSpaceLimit && setrlimit(RLIMIT_AS, &limit) != 0) {
            childFails("setrlimit");
        }
        execve(program.c_str(), argv.data(), envp.data());
        childFails("execve");
    }
    close(out[1]);
    close(err[1]);

    ChildResult result;
    const auto deadline = std::chrono::steady_clock::now() + options.timeLimit;
    bool outOpen = true;
    bool errOpen = true;
    while (outOpen || errOpen) {
        pollfd fds[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int ready = poll(fds, 2, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready == 0 && !result.timedOut) {
            // Killing the child closes its ends of both pipes.
            result.timedOut = true;
            kill(child, SIGKILL);
            continue;
        }
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready <= 0) {
            continue;
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            appendAvailable(out[0], result.standardOutput, outOpen);
        }
        if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            appendAvailable(err[0], result.standardError, errOpen);
        }
    }
    close(out[0]);
    close(err[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.killedBySignal = WIFSIGNALED(status);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

ProcessResult runBinary(const std::vector<std::string>& arguments,
                        const std::string& workingDirectory) {
    ChildOptions options;
    options.workingDirectory = workingDirectory;
    return runBinaryWith(arguments, options);
}

bool canSwitchUser() {
    static const bool can = [] {
        if (geteuid() != 0) {
            return false;
        }
        const pid_t child = fork();
        if (child < 0) {
            return false;
        }
        if (child == 0) {
            const bool switched = setgroups(0, nullptr) == 0 &&
                                  setgid(static_cast<gid_t>(kUnprivilegedUser)) == 0 &&
                                  setuid(kUnprivilegedUser) == 0 && geteuid() == kUnprivilegedUser;
            _exit(switched ? 0 : 1);
        }
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }();
    return can;
}

FifoFeeder::FifoFeeder(std::string path, std::string content, std::size_t pieceSize,
                       std::chrono::milliseconds holdOpen, std::function<void()> onOpened)
    : path_(std::move(path)),
      content_(std::move(content)),
      pieceSize_(std::max<std::size_t>(pieceSize, 1)),
      holdOpen_(holdOpen),
      onOpened_(std::move(onOpened)) {
    if (mkfifo(path_.c_str(), 0644) != 0) {
        throw std::runtime_error("mkfifo failed: " + path_);
    }
    writer_ = std::thread([this] {
        // A reader that stops early makes the write fail instead of raising
        // SIGPIPE in the test process.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        // Close-on-exec: a child started meanwhile must not hold the write end.
        const int fd = open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        {
            const std::lock_guard lock(mutex_);
            opened_ = true;
        }
        if (fd < 0) {
            return;
        }
        if (onOpened_) {
            onOpened_();
        }
        for (std::size_t at = 0; at < content_.size();) {
            const ssize_t put =
                write(fd, content_.data() + at, std::min(pieceSize_, content_.size() - at));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                break;
            }
            at += static_cast<std::size_t>(put);
        }
        {
            std::unique_lock lock(mutex_);
            releasedSignal_.wait_for(lock, holdOpen_, [this] { return released_; });
        }
        close(fd);
        const std::lock_guard lock(mutex_);
        closed_ = true;
    });
}

FifoFeeder::~FifoFeeder() {
    finish();
    unlink(path_.c_str());
}

void FifoFeeder::release() {
    {
        const std::lock_guard lock(mutex_);
        released_ = true;
    }
    releasedSignal_.notify_all();
}

bool FifoFeeder::writerClosed() {
    const std::lock_guard lock(mutex_);
    return closed_;
}

void FifoFeeder::finish() {
    if (!writer_.joinable()) {
        return;
    }
    bool opened = false;
    {
        const std::lock_guard lock(mutex_);
        opened = opened_;
    }
    if (!opened) {
        // A reader that opens and leaves lets the writer's open return; its
        // writes then fail and it ends.
        const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            close(fd);
        }
    }
    release();
    writer_.join();
}

}  // namespace korvcmp::testing
