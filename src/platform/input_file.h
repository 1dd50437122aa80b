// A listing file opened for reading, in the operating system's own terms:
// whether it is a regular file and how large, its bytes mapped into memory
// where the system allows it, else read in blocks, and whether another path
// or standard output names the same file. One implementation per system
// (input_file_posix.cpp, input_file_windows.cpp); nothing above this layer
// knows which one runs.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <thread>

#include "platform/system_failure.h"

namespace korvcmp {

class InputFile {
  public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Opens the file at `path` for reading its bytes as they are (no line-end
    // or end-of-file translation); false when it cannot be opened.
    bool open(const char* path);
    // Reads standard input instead, with its bytes as they are.
    bool openStandardInput();
    bool isOpen() const;
    // Why the last open failed.
    SystemFailure openFailure() const { return openFailure_; }

    // The size of the open file when it is a regular file; -1 otherwise.
    std::int64_t regularFileSize() const;

    // Maps the whole open regular file read-only and returns its bytes; an
    // empty span when the file cannot be or is not mapped here (the caller
    // reads it instead). Large mappings have their pages touched ahead of the
    // reader on another thread. A mapped file that another program cuts short
    // must not crash the process: see mapping_guard.h.
    std::span<const char> map();
    // Replaces the mapping by a private copy at the same addresses, so that
    // the bytes handed out no longer depend on the file on disk; false when
    // there is no memory for the copy.
    bool detachMapping();

    // Reads up to `size` bytes into `into`: what is there, without waiting for
    // more than one read brings (a pipe whose writer keeps it open is not
    // waited on). Returns the number read, 0 at the end of the file, -1 after
    // a read error.
    std::int64_t read(char* into, std::size_t size);

    // True when `path` names the open file (symbolic links followed).
    bool isSameFileAs(const char* path) const;
    // True when standard output is the open file.
    bool isSameFileAsStandardOutput() const;

    // Unmaps and closes; false when closing fails. Closing a file that is not
    // open succeeds.
    bool close();

  private:
    void stopTouchingPages();

    std::intptr_t handle_ = -1;  // a file descriptor, or a HANDLE on Windows; -1 when closed
    bool ownsHandle_ = false;    // false for standard input, which is not closed
    SystemFailure openFailure_;
    char* mapping_ = nullptr;
    std::size_t mappedSize_ = 0;
    // The first touch of a mapped page is costly on virtual machines; a
    // second thread touches every page ahead of the reader, on the other core.
    std::thread pageToucher_;
    std::atomic<bool> stopTouching_{false};
};

// True when the paths `a` and `b` name one file or directory: the same
// device and inode (volume and file index on Windows), whether through
// another spelling, a symbolic link or a hard link. False when either names
// nothing or the system cannot say.
bool namesSameFile(const char* a, const char* b);

}  // namespace korvcmp
