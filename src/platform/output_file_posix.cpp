// The output file on POSIX systems: plain descriptors and write(2), so that
// writing and closing allocate nothing; a replacement is a mkstemp file in
// the replaced file's directory, renamed over it once complete.
#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace korvcmp {
namespace {

constexpr int kStandardOutput = 1;

// The file a path finally names: symbolic links are replaced by their
// targets, so that the link itself stays a link.
std::string resolvedPath(const char* path) {
    char* resolved = realpath(path, nullptr);
    if (resolved == nullptr) {
        return path;
    }
    std::string result(resolved);
    std::free(resolved);
    return result;
}

}  // namespace

OutputFile::~OutputFile() {
    abandon();
}

void OutputFile::useStandardOutput(LineEnds lineEnds) {
    handle_ = kStandardOutput;
    ownsHandle_ = false;
    translatesLineEnds_ = lineEnds == LineEnds::system;  // LF either way here
}

bool OutputFile::create(const char* path, LineEnds lineEnds) {
    const int file = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0) {
        failure_ = SystemFailure::ofLastCall();
        return false;
    }
    handle_ = file;
    ownsHandle_ = true;
    translatesLineEnds_ = lineEnds == LineEnds::system;  // LF either way here
    return true;
}

bool OutputFile::createReplacement(const char* path, LineEnds lineEnds) {
    std::string replaced = resolvedPath(path);
    struct stat status {};
    if (::stat(replaced.c_str(), &status) != 0) {
        failure_ = SystemFailure::ofLastCall();
        return false;
    }
    // A hidden name beside the replaced file: the rename stays inside one
    // file system, so it replaces the file in one step.
    const std::size_t nameStart = replaced.rfind('/') + 1;  // 0 when there is no slash
    std::string replacement = replaced.substr(0, nameStart);
    replacement += '.';
    replacement.append(replaced, nameStart);
    replacement += ".korvcmp-XXXXXX";
    const int file = ::mkstemp(replacement.data());
    if (file < 0) {
        failure_ = SystemFailure::ofLastCall();
        return false;
    }
    // The replacement takes the replaced file's permission bits and, where
    // this process may give them, its owner and group.
    if (::fchmod(file, status.st_mode & 07777) != 0) {
        failure_ = SystemFailure::ofLastCall();
        ::close(file);
        ::unlink(replacement.c_str());
        return false;
    }
    (void)!::fchown(file, status.st_uid, status.st_gid);
    (void)::fcntl(file, F_SETFD, FD_CLOEXEC);
    handle_ = file;
    ownsHandle_ = true;
    translatesLineEnds_ = lineEnds == LineEnds::system;
    replacementPath_ = std::move(replacement);
    replacedPath_ = std::move(replaced);
    return true;
}

bool OutputFile::write(const char* data, std::size_t size) {
    if (handle_ == -1) {
        return false;
    }
    while (size > 0) {
        const ssize_t written = ::write(static_cast<int>(handle_), data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            failure_ = SystemFailure::ofLastCall();
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool OutputFile::close() {
    if (handle_ == -1) {
        return true;
    }
    const int file = static_cast<int>(handle_);
    handle_ = -1;
    if (replacementPath_.empty()) {
        // Standard output is closed too: a failure that only closing
        // reveals (a full disk behind a file it was opened onto) must show.
        if (::close(file) != 0) {
            failure_ = SystemFailure::ofLastCall();
            return false;
        }
        return true;
    }
    // The replacement reaches the disk before it takes the replaced file's
    // name, so that a crash leaves the old file or the whole new one.
    const bool complete = ::fsync(file) == 0 || errno == EINVAL;
    if (!complete) {
        failure_ = SystemFailure::ofLastCall();
    }
    const bool closed = ::close(file) == 0;
    if (complete && !closed) {
        failure_ = SystemFailure::ofLastCall();
    }
    const bool renamed =
        complete && closed && ::rename(replacementPath_.c_str(), replacedPath_.c_str()) == 0;
    if (complete && closed && !renamed) {
        failure_ = SystemFailure::ofLastCall();
    }
    if (!renamed) {
        ::unlink(replacementPath_.c_str());
    }
    replacementPath_.clear();
    replacedPath_.clear();
    return renamed;
}

void OutputFile::abandon() {
    if (handle_ == -1) {
        return;
    }
    if (ownsHandle_) {
        ::close(static_cast<int>(handle_));
    }
    handle_ = -1;
    if (!replacementPath_.empty()) {
        ::unlink(replacementPath_.c_str());
        replacementPath_.clear();
        replacedPath_.clear();
    }
}

}  // namespace korvcmp
