// The run sequence of korvcmp: command line, reading listing 2 then listing 1,
// pairing and marking, then writing the compared listing and closing the
// streams.
#pragma once

#include <string>

#include "output/output_stream.h"
#include "pipeline/run_state.h"

namespace korvcmp {

// How a run goes about its work, where it may differ from the program's
// run (tests and fuzzing).
struct RunOptions : PipelineOptions {
    // When set, the compared listing is collected here instead of being
    // written to the path of "-p".
    std::string* memoryOutput = nullptr;
};

// Runs the whole sequence. Returns 0 on success and after the usage text;
// throws FatalError on any failure. Each run builds its own state, so runs
// can follow one another in one process.
int runKorvcmp(int argc, const char* const* argv, const RunOptions& options = {});

// Opens `output` onto the run's destination: standard output for exactly "-"
// or "stdout", else the file at `path`, created or emptied.
void openOutput(RunState& run, OutputStream& output, const char* path);

// Closes listing 1, listing 2 and `output`, in that order; a failure of any
// ends the run with its message.
void closeStreams(RunState& run, OutputStream& output);

// The program's entry: runs korvcmp, reports a fatal error on standard error,
// and returns the exit status (0, or -1 after an error).
int korvcmpMain(int argc, const char* const* argv);

}  // namespace korvcmp
