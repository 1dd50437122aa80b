// Helpers shared by the tests: temporary files (temp_dir.h), running the pipeline in this
// process, and running the built korvcmp binary.
#pragma once

#include <string>
#include <vector>

#include "driver/run.h"
#include "support/temp_dir.h"

namespace korvcmp::testing {

// Whether a listing that is a regular file is mapped into memory when the
// reader asks for it: Windows always reads listings in blocks.
#ifdef _WIN32
inline constexpr bool kListingsMapped = false;
#else
inline constexpr bool kListingsMapped = true;
#endif

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

// An example listing ("run1.lst" or "run2.lst") with its file sections
// repeated until it holds about `bytes` bytes.
std::string repeatedExample(const std::string& name, std::size_t bytes);

}  // namespace korvcmp::testing
