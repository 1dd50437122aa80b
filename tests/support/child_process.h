// Running the korvcmp binary (or another program) as a child: as another
// user, with a limit on its address space, always with a time limit
// (runBinary of support/test_support.h is the plain case); and feeding a
// listing through a named pipe from a writer thread.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace korvcmp::testing {

struct ChildOptions {
    // Directory the child runs in; none keeps the test's.
    std::string workingDirectory;
    // Run as this user and group (both the same number, no other groups).
    // Only root can switch; see canSwitchUser().
    std::optional<uid_t> user;
    // RLIMIT_AS of the child, in bytes.
    std::optional<std::uint64_t> addressSpaceLimit;
    // The child is killed when it runs longer than this.
    std::chrono::milliseconds timeLimit{60000};
    // The program to run; the built korvcmp when empty.
    std::string program;
    // When set, standard output is this existing file, opened for reading and
    // writing without truncating it (as "1<>path" in the shell), instead of
    // a pipe to the test; ChildResult::standardOutput stays empty.
    std::string standardOutputOnto;
    // Variables added to the child's environment, as "NAME=value".
    std::vector<std::string> environment;
};

struct ChildResult : ProcessResult {
    bool timedOut = false;
    bool killedBySignal = false;
};

// Runs the program with `arguments` (program name not included), standard
// input empty. A child that could not be set up as asked exits with 126 and
// says why on standard error.
ChildResult runBinaryWith(const std::vector<std::string>& arguments, const ChildOptions& options);

// True when this process may run children as another user (it is root and
// the system lets it switch).
bool canSwitchUser();

// The unprivileged user and group that children switch to.
inline constexpr uid_t kUnprivilegedUser = 65534;

// A named pipe at `path` whose writer thread opens it for writing, writes
// `content` in pieces of `pieceSize` bytes and closes it. With `holdOpen`,
// the writer keeps its end open that long after the last piece, or until
// release(), so that a reader sees no end of file until then. `onOpened`
// runs on the writer thread once a reader has opened the pipe, before the
// first piece. A reader that never comes, or that stops early, does not
// block the writer for ever.
class FifoFeeder {
  public:
    FifoFeeder(std::string path, std::string content, std::size_t pieceSize = 1000,
               std::chrono::milliseconds holdOpen = std::chrono::milliseconds{0},
               std::function<void()> onOpened = {});
    ~FifoFeeder();
    FifoFeeder(const FifoFeeder&) = delete;
    FifoFeeder& operator=(const FifoFeeder&) = delete;

    const std::string& path() const { return path_; }
    // Lets a held writer close its end.
    void release();
    // True once the writer has closed its end.
    bool writerClosed();
    // Waits for the writer to finish; unblocks it first if no reader came.
    void finish();

  private:
    std::string path_;
    std::string content_;
    std::size_t pieceSize_;
    std::chrono::milliseconds holdOpen_;
    std::function<void()> onOpened_;
    std::mutex mutex_;
    std::condition_variable releasedSignal_;
    bool released_ = false;
    bool opened_ = false;
    bool closed_ = false;
    std::thread writer_;
};

}  // namespace korvcmp::testing
