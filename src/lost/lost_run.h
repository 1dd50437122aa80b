// One run of korvcmp-lost: read the compared listing, write the findings,
// then the totals on standard error; and the exit status, as diff and CI
// gates use it.
#pragma once

#include <cstdio>

#include "lost/lost_command_line.h"
#include "lost/output_buffer.h"

namespace korvcmp {

inline constexpr int kNoLostCoverage = 0;
inline constexpr int kLostCoverageFound = 1;
inline constexpr int kLostTrouble = 2;

// Reads the listing that `options` names, writes the findings to `out` and
// the totals or the one error message to `errors`; returns the exit status.
int runLost(const LostOptions& options, OutputBuffer& out, std::FILE* errors);

// The whole program, from the arguments after the program name.
int lostMain(int argumentCount, const char* const* arguments);

}  // namespace korvcmp
