// The output file on POSIX systems: plain descriptors and write(2), so that
// writing and closing allocate nothing; a replacement is a new file in the
// replaced file's directory, ".NAME.korvcmp-PID-N", renamed over it once
// complete. The process id in the name tells whether the run that wrote it
// still runs: those of runs that are gone are removed by the next.
#include "platform/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace korvcmp {
namespace {

constexpr int kStandardOutput = 1;
// Names tried for a replacement before giving up.
constexpr int kReplacementNameTries = 1000;

// Whether the process `id` has ended (and not merely belongs to another user).
bool hasEnded(long id) {
    return id > 0 && ::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
}

// Removes the replacements ("PREFIX" + PID + "-" + N in `folder`) that runs
// which have ended left behind, killed before they could remove them.
void removeDeadReplacements(const std::string& folder, std::string_view prefix) {
    DIR* const entries = ::opendir(folder.empty() ? "." : folder.c_str());
    if (entries == nullptr) {
        return;
    }
    const int folderHandle = ::dirfd(entries);
    while (const dirent* const entry = ::readdir(entries)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix)) {
            continue;
        }
        char* end = nullptr;
        const long id = std::strtol(entry->d_name + prefix.size(), &end, 10);
        if (end != nullptr && *end == '-' && hasEnded(id)) {
            ::unlinkat(folderHandle, entry->d_name, 0);
        }
    }
    ::closedir(entries);
}

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
    const bool exists = ::stat(replaced.c_str(), &status) == 0;
    if (!exists && errno != ENOENT) {
        failure_ = SystemFailure::ofLastCall();
        return false;
    }
    // A hidden name beside the replaced file: the rename stays inside one
    // file system, so it replaces the file in one step.
    const std::size_t nameStart = replaced.rfind('/') + 1;  // 0 when there is no slash
    const std::string folder = replaced.substr(0, nameStart);
    std::string prefix = ".";
    prefix.append(replaced, nameStart);
    prefix += ".korvcmp-";
    removeDeadReplacements(folder, prefix);
    prefix += std::to_string(::getpid());
    prefix += '-';
    int file = -1;
    std::string replacement;
    for (int number = 0; file < 0 && number < kReplacementNameTries; ++number) {
        replacement = folder + prefix + std::to_string(number);
        // A new file gets the permission bits a file created in its place
        // would get (0666 less the umask).
        file = ::open(replacement.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file < 0 && errno != EEXIST) {
            break;
        }
    }
    if (file < 0) {
        failure_ = SystemFailure::ofLastCall();
        return false;
    }
    // The replacement of an existing file takes its permission bits and,
    // where this process may give them, its owner and group.
    if (exists) {
        if (::fchmod(file, status.st_mode & 07777) != 0) {
            failure_ = SystemFailure::ofLastCall();
            ::close(file);
            ::unlink(replacement.c_str());
            return false;
        }
        (void)!::fchown(file, status.st_uid, status.st_gid);
    }
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
