// Helpers shared by the tests: temporary files, running the pipeline in this
// process, and running the built korvcmp binary.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "driver/run.h"

namespace korvcmp::testing {

// A fresh directory that is removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `content` to the file `name` in the directory; returns its path.
    std::string write(const std::string& name, const std::string& content) const;
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

// The result of a run in this process: the exit status and what korvcmp
// would have written to standard error ("" on success).
struct InProcessResult {
    int status = 0;
    std::string errorOutput;
};

// Runs the whole pipeline in this process with `arguments` (program name not
// included) and `options`. Do not name standard output as the destination here.
InProcessResult runInProcess(const std::vector<std::string>& arguments,
                             const RunOptions& options = {});

// `listing`, a compared listing, with the time of its "Listing produced at"
// line replaced by "<time>", the one text that differs from run to run,
// after checking that the time has the asctime layout.
std::string withoutTime(std::string listing);

// The result of running the korvcmp binary.
struct ProcessResult {
    int status = -1;  // exit status as the shell sees it (255 after an error)
    std::string standardOutput;
    std::string standardError;
};

// Runs the built korvcmp binary with `arguments` (program name not included),
// in `workingDirectory` when given, with standard input empty and the time
// limit of runBinaryWith (support/child_process.h).
ProcessResult runBinary(const std::vector<std::string>& arguments,
                        const std::string& workingDirectory = "");

// Path of a file in the source tree (e.g. "examples/run1.lst").
std::string sourcePath(const std::string& relative);

}  // namespace korvcmp::testing
