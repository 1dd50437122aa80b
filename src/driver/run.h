// The run sequence of korvcmp: command line, reading listing 2 then listing 1,
// pairing and marking, then writing the compared listing and closing the
// streams.
#pragma once

#include <string>

namespace korvcmp {

// Runs the whole sequence. Returns 0 on success and after the usage text;
// throws FatalError on any failure (the state is reset at the start of each
// run, so runs can follow one another in one process).
// When `memoryOutput` is given, the compared listing is collected there
// instead of being written to the path of "-p" (tests and fuzzing).
int runKorvcmp(int argc, const char* const* argv, std::string* memoryOutput = nullptr);

// Opens the destination: standard output for exactly "-" or "stdout", else
// the file at `path`, created or emptied.
void openOutput(const char* path);

// Closes listing 1, listing 2 and the output, in that order; a failure of any
// ends the run with its message.
void closeStreams();

// The program's entry: runs korvcmp, reports a fatal error on standard error,
// and returns the exit status (0, or -1 after an error).
int korvcmpMain(int argc, const char* const* argv);

}  // namespace korvcmp
