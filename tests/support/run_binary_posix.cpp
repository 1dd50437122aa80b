// Runs of the built korvcmp binary on POSIX systems: fork and exec, with
// standard output and standard error read through pipes.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

std::string slurp(int fd) {
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

}  // namespace

ProcessResult runBinary(const std::vector<std::string>& arguments,
                        const std::string& workingDirectory) {
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t child = fork();
    if (child == 0) {
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) {
            _exit(127);
        }
        std::vector<char*> argv{const_cast<char*>(KORVCMP_BINARY)};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(KORVCMP_BINARY, argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    ProcessResult result;
    // Standard error is small; read standard output first, then standard error.
    result.standardOutput = slurp(out[0]);
    result.standardError = slurp(err[0]);
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace korvcmp::testing
