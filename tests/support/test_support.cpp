// Temporary directories, in-process runs and runs of the korvcmp binary.
#include "support/test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/fatal.h"
#include "driver/run.h"

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

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("korvcmp-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& content) const {
    const std::string target = file(name);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + target);
    }
    return target;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

InProcessResult runInProcess(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv{"korvcmp"};
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    InProcessResult result;
    try {
        result.status = runKorvcmp(static_cast<int>(argv.size() - 1), argv.data());
    } catch (const FatalError& error) {
        result.status = -1;
        result.errorOutput = fatalReport(error.what());
    }
    return result;
}

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

std::string sourcePath(const std::string& relative) {
    return (std::filesystem::path(KORVCMP_SOURCE_DIR) / relative).string();
}

}  // namespace korvcmp::testing
