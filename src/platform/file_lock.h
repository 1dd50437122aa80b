// A lock a run holds on a file of its own beside what it writes, so that runs
// writing the same thing take turns. The system releases the lock when the
// process ends, however it ends, so a killed run never keeps others waiting;
// the file itself is removed by the last run that held it. One
// implementation per system (flock on POSIX systems, LockFileEx on Windows).
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_failure.h"

namespace korvcmp {

class FileLock {
  public:
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // A lock still held is released.
    ~FileLock();

    // Opens the file at `path`, creating it when it is not there, and waits
    // until this process holds its lock. False when the file cannot be made
    // or locked (failure() says why).
    bool acquire(const std::string& path);
    bool isHeld() const { return handle_ != -1; }
    // Removes the file unless another run waits for it, and releases the lock.
    void release();

    SystemFailure failure() const { return failure_; }

  private:
    std::intptr_t handle_ = -1;  // a file descriptor, or a HANDLE on Windows
    std::string path_;
    SystemFailure failure_;
};

}  // namespace korvcmp
