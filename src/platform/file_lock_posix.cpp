// The run lock on POSIX systems: flock(2) on the file. The file is removed
// while the lock is held, so a run that opened it meanwhile finds, once it
// holds the lock, that its file is no longer the one at the path, and opens
// the new one instead; two runs never hold locks on two different files.
#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace korvcmp {
namespace {

// Whether the open `file` is still the file at `path`.
bool isFileAt(int file, const std::string& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(file, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

FileLock::~FileLock() {
    release();
}

bool FileLock::acquire(const std::string& path) {
    release();
    path_ = path;  // before the file is made: nothing below allocates
    for (;;) {
        const int file = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (file < 0) {
            failure_ = SystemFailure::ofLastCall();
            return false;
        }
        int locked = 0;
        do {
            locked = ::flock(file, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            failure_ = SystemFailure::ofLastCall();
            ::close(file);
            return false;
        }
        if (isFileAt(file, path)) {
            handle_ = file;
            return true;
        }
        ::close(file);  // removed by the run that held it: the next one
    }
}

void FileLock::release() {
    if (handle_ == -1) {
        return;
    }
    // Removed while locked: whoever waits for the old file tries again.
    ::unlink(path_.c_str());
    ::close(static_cast<int>(handle_));
    handle_ = -1;
    path_.clear();
}

}  // namespace korvcmp
