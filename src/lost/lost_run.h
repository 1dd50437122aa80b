// One run of korvcmp-lost: read the compared listing, write the findings,
// then the totals on standard error; and the exit status, as diff and CI
// gates use it.
#pragma once

#include <cstdio>

#include "base/background_worker.h"
#include "lost/lost_command_line.h"
#include "output/output_stream.h"

namespace korvcmp {

inline constexpr int kNoLostCoverage = 0;
inline constexpr int kLostCoverageFound = 1;
inline constexpr int kLostTrouble = 2;

// Reads the listing that `options` names, writes the findings to `out` (open,
// and prepared with `worker` when one runs: it then reads the listing ahead
// and writes the output behind) and closes it, and writes the totals or the
// one error message to `errors`; returns the exit status.
int runLost(const LostOptions& options, OutputStream& out, std::FILE* errors,
            BackgroundWorker* worker = nullptr);

// The whole program, from the arguments after the program name.
int lostMain(int argumentCount, const char* const* arguments);

}  // namespace korvcmp
