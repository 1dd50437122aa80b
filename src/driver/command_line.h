// The command line: "-i1" path, "-i2" path, "-p" path (or "-" / "stdout"),
// "-h", and the usage text.
#pragma once

namespace korvcmp {

enum class CommandLineResult {
    Run,         // the three paths are set
    UsageShown,  // the usage text was written; the run ends with status 0
};

// Sets listing1Path, listing2Path and outputPath from the arguments, writes
// the usage text when asked for or when there are no arguments, and ends the
// run through `fatal` on any mistake.
CommandLineResult parseCommandLine(int argc, const char* const* argv);

// Writes the usage text to standard output.
void printUsage();

}  // namespace korvcmp
