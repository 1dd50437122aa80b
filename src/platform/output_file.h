// The file the compared listing is written to, in the operating system's own
// terms: standard output, a file created (or emptied) in place, or a
// replacement written beside the file it replaces and renamed over it only
// once it is complete. Lines end as the system's text files end them (LF, or
// CR LF on Windows), or exactly as written, for files that must be the same
// bytes on every system (the report's). One implementation per system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/system_failure.h"

namespace korvcmp {

// How the LFs written reach the file.
enum class LineEnds {
    system,     // as the system's text files end lines: CR LF on Windows, LF elsewhere
    asWritten,  // every byte as it is written, on every system
};

class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // An output still open is abandoned (see abandon()).
    ~OutputFile();

    // Writes to standard output.
    void useStandardOutput(LineEnds lineEnds = LineEnds::system);
    // Creates the file at `path`, or empties it when it exists; false when
    // that fails.
    bool create(const char* path, LineEnds lineEnds = LineEnds::system);
    // Why the last create, write or close failed.
    SystemFailure failure() const { return failure_; }
    // Creates a new file in the directory of the file `path` names (the file
    // a symbolic link points to), to be renamed over it by close(), or to
    // take its name when there is none; it gets the replaced file's
    // permission bits. Replacements of `path` that runs which have ended left
    // there are removed first. False when it cannot be created; nothing else
    // is changed then. Its lines end as the system's text files end them.
    bool createReplacement(const char* path, LineEnds lineEnds = LineEnds::system);

    bool isOpen() const { return handle_ != -1; }

    // Writes all of `data`; false when it cannot be written (a full disk, a
    // closed pipe). Allocates nothing.
    bool write(const char* data, std::size_t size);

    // Closes the output. A replacement is renamed over the file it replaces
    // when everything was written and closed; otherwise it is removed and the
    // replaced file keeps every byte. False when closing or renaming failed.
    // Allocates nothing.
    bool close();
    // After an error elsewhere: closes the output, and removes a replacement.
    void abandon();

  private:
    std::intptr_t handle_ = -1;       // a file descriptor, or a HANDLE on Windows
    bool ownsHandle_ = false;         // false for standard output
    bool translatesLineEnds_ = true;  // LineEnds::system (used on Windows only)
    std::string replacementPath_;     // the new file, while it replaces another
    std::string replacedPath_;        // the file it will replace
    SystemFailure failure_;
};

}  // namespace korvcmp
