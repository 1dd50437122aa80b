// Directories on POSIX systems. A tree is removed through directory
// descriptors (openat with O_NOFOLLOW, unlinkat), so that a link inside it,
// or one put in place of a directory while the tree is being removed, is
// removed as a link and never followed. On Linux, renameat2 swaps two
// directories in one step and renames one without ever replacing what took
// its new name meanwhile; elsewhere (and with -DKORVCMP_PORTABLE=ON) the
// swap is unsupported and a rename checks the new name first.
#include "platform/directories.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#if defined(__linux__) && !defined(KORVCMP_PORTABLE) && defined(RENAME_EXCHANGE) && \
    defined(RENAME_NOREPLACE)
#define KORVCMP_HAS_RENAMEAT2 1
#endif

namespace korvcmp {
namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool removeContents(int directory, std::string_view last = {});

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

// Removes everything in the open `directory`, its entry `last` after the
// others, and closes it. False with errno set for the first failure; the
// rest is still removed.
bool removeContents(int directory, std::string_view last) {
    if (last.size() > NAME_MAX) {
        last = {};  // no entry has such a name
    }
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
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 ||
            (!last.empty() && name == last)) {
            continue;
        }
        if (!removeEntry(::dirfd(entries), name) && removed) {
            removed = false;
            firstError = errno;
        }
    }
    if (removed && !last.empty()) {
        // Copied without allocating: a tree is also removed while unwinding.
        char lastName[NAME_MAX + 1] = {};
        last.copy(lastName, last.size());
        if (!removeEntry(::dirfd(entries), lastName)) {
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
#ifdef KORVCMP_HAS_RENAMEAT2
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system without RENAME_NOREPLACE: checked first, as elsewhere.
#endif
    // rename(2) would put `from` in the place of an empty directory `to`.
    struct stat status {};
    if (::lstat(to.c_str(), &status) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

Exchange exchangeDirectories(const std::string& first, const std::string& second) {
#ifdef KORVCMP_HAS_RENAMEAT2
    if (::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0) {
        return Exchange::done;
    }
    return errno == EINVAL || errno == ENOSYS || errno == ENOTSUP ? Exchange::unsupported
                                                                  : Exchange::failed;
#else
    static_cast<void>(first);
    static_cast<void>(second);
    return Exchange::unsupported;
#endif
}

std::vector<std::string> namesStartingWith(const std::string& folder, std::string_view prefix) {
    std::vector<std::string> names;
    DIR* const entries = ::opendir(folder.c_str());
    if (entries == nullptr) {
        return names;
    }
    while (const dirent* const entry = ::readdir(entries)) {
        const std::string_view name = entry->d_name;
        if (name.starts_with(prefix)) {
            names.emplace_back(name);
        }
    }
    ::closedir(entries);
    return names;
}

bool removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool removeDirectoryTree(const std::string& path, std::string_view last) {
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
    if (!removeContents(directory, last)) {
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
