// Directories on POSIX systems. A tree is removed through directory
// descriptors (openat with O_NOFOLLOW, unlinkat), so that a link inside it,
// or one put in place of a directory while the tree is being removed, is
// removed as a link and never followed.
#include "platform/directories.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvcmp {
namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool removeContents(int directory);

// Removes the entry `name` of `parent`: a directory with its contents, and
// anything else (a link too) as it is. False with errno set when it fails.
bool removeEntry(int parent, const char* name) {
    struct stat status {};
    if (::fstatat(parent, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISDIR(status.st_mode)) {
        return ::unlinkat(parent, name, 0) == 0 || errno == ENOENT;
    }
    const int directory = ::openat(parent, name, kDirectoryFlags);
    if (directory < 0) {
        if (errno == ELOOP || errno == ENOTDIR) {
            // A link took the directory's place meanwhile: removed as a link.
            return ::unlinkat(parent, name, 0) == 0 || errno == ENOENT;
        }
        return false;
    }
    if (!removeContents(directory)) {  // closes `directory`
        return false;
    }
    return ::unlinkat(parent, name, AT_REMOVEDIR) == 0 || errno == ENOENT;
}

// Removes everything in the open `directory`, and closes it. False with
// errno set for the first failure; the rest is still removed.
bool removeContents(int directory) {
    DIR* const entries = ::fdopendir(directory);
    if (entries == nullptr) {
        const int error = errno;
        ::close(directory);
        errno = error;
        return false;
    }
    bool removed = true;
    int firstError = 0;
    for (;;) {
        errno = 0;
        const dirent* const entry = ::readdir(entries);
        if (entry == nullptr) {
            if (errno != 0 && removed) {
                removed = false;
                firstError = errno;
            }
            break;
        }
        const char* const name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
            continue;
        }
        if (!removeEntry(::dirfd(entries), name) && removed) {
            removed = false;
            firstError = errno;
        }
    }
    ::closedir(entries);  // closes `directory` too
    errno = firstError;
    return removed;
}

}  // namespace

PathKind pathKind(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? PathKind::nothing : PathKind::unknown;
    }
    if (S_ISDIR(status.st_mode)) {
        return PathKind::directory;
    }
    return S_ISREG(status.st_mode) ? PathKind::file : PathKind::other;
}

bool isEmptyDirectory(const std::string& path) {
    const int directory = ::open(path.c_str(), kDirectoryFlags);
    if (directory < 0) {
        return false;
    }
    DIR* const entries = ::fdopendir(directory);
    if (entries == nullptr) {
        ::close(directory);
        return false;
    }
    bool empty = true;
    errno = 0;
    while (const dirent* const entry = ::readdir(entries)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    empty = empty && errno == 0;
    ::closedir(entries);
    return empty;
}

bool makeDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool renameDirectory(const std::string& from, const std::string& to) {
    // rename(2) would put `from` in the place of an empty directory `to`.
    struct stat status {};
    if (::lstat(to.c_str(), &status) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool removeDirectoryTree(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISDIR(status.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    const int directory = ::open(path.c_str(), kDirectoryFlags);
    if (directory < 0) {
        return false;
    }
    if (!removeContents(directory)) {
        return false;
    }
    return ::rmdir(path.c_str()) == 0 || errno == ENOENT;
}

std::string lastDirectoryError() {
    return std::strerror(errno);
}

bool isPathSeparator(char c) {
    return c == '/';
}

}  // namespace korvcmp
