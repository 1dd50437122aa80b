// One run of korvcmp-report: the comparison as korvcmp runs it, the pages
// written as it goes, then the index, the Markdown and the JSON, and the
// report directory put in place; and the exit status, as CI gates use it.
#pragma once

#include <cstdio>

#include "pipeline/run_state.h"
#include "report/report_command_line.h"

namespace korvcmp {

inline constexpr int kReportWritten = 0;
inline constexpr int kReportLostCoverage = 1;  // --fail-on-lost or --fail-under-added
inline constexpr int kReportTrouble = 2;

// Runs the comparison `options` asks for and writes its outputs; warnings
// and the one error message go to `errors`. Returns the exit status.
int runReport(const ReportOptions& options, std::FILE* errors,
              const PipelineOptions& pipeline = {});

// The whole program, from the arguments after the program name.
int reportMain(int argumentCount, const char* const* arguments);

}  // namespace korvcmp
