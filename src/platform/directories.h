// Directories in the operating system's own terms, as the report directory
// needs them: what a path names, the names in a folder, making a directory,
// renaming one inside its folder or swapping two in one step, and removing a
// whole tree without ever following a link out of it.
// Paths are the program's own: bytes as the command line gave them, passed to
// the system as the other platform files pass theirs (on Windows, in the
// code page of the system's file functions, as CreateFileA takes them). One
// implementation per system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvcmp {

// What a path names. A symbolic link (or a junction on Windows) in the last
// component is not followed: it is `other`, whatever it points to.
enum class PathKind {
    nothing,    // no such file or directory (or a parent that is none)
    file,       // a regular file
    directory,  // a directory
    other,      // a symbolic link, a junction, a device, a pipe, ...
    unknown,    // the system cannot say (no permission to look, ...)
};

PathKind pathKind(const std::string& path);

// Whether the directory `path` holds nothing; false when it holds something
// or cannot be read.
bool isEmptyDirectory(const std::string& path);

// Makes the directory `path` (its parent must exist); false when something is
// there already or it cannot be made.
bool makeDirectory(const std::string& path);

// Renames the directory `from` to `to`, a name in the same folder, so that it
// moves in one step; false when `to` exists or the rename fails (on Windows,
// while a file inside is still open).
bool renameDirectory(const std::string& from, const std::string& to);

// How exchangeDirectories went.
enum class Exchange {
    done,         // each name holds what the other held
    unsupported,  // the system or the file system cannot; nothing changed
    failed,       // it could not be done (lastDirectoryError() says why)
};

// Swaps the directories `first` and `second`, names in the same folder, in
// one step: at every moment each name holds one of the two (Linux's
// renameat2 with RENAME_EXCHANGE; unsupported elsewhere).
Exchange exchangeDirectories(const std::string& first, const std::string& second);

// The names in the folder `folder` that begin with `prefix`, in no
// particular order; none when the folder cannot be read.
std::vector<std::string> namesStartingWith(const std::string& folder, std::string_view prefix);

// Removes the directory `path` with everything in it; its entry `last`, when
// given, goes last, so that a removal cut short leaves it. A symbolic link or
// a junction inside is removed as a link; what it points to is kept.
// Read-only files are removed too. True when nothing is left at `path` (also
// when nothing was there); false when `path` is no directory (a link to one
// is left as it is) or something could not be removed.
bool removeDirectoryTree(const std::string& path, std::string_view last = {});

// Removes the file `path` (not a directory); false when it cannot.
bool removeFile(const std::string& path);

// The system's words for why the last failed call above failed on this
// thread ("Permission denied"); read it right after the failure.
std::string lastDirectoryError();

// Whether `c` separates the components of a path on this system ('/', and
// '\\' on Windows).
bool isPathSeparator(char c);

}  // namespace korvcmp
