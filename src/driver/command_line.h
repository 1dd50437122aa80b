// The command line: "-i1" path, "-i2" path, "-p" path (or "-" / "stdout"),
// "-h", and the usage text.
#pragma once

#include <optional>

namespace korvcmp {

// The three paths a run works with. Each refers to its command-line
// argument itself (no copy).
struct CommandLine {
    const char* listing1Path;
    const char* listing2Path;
    const char* outputPath;
};

// The paths given by the arguments; none when the usage text was written
// (asked for, or no arguments), and the run ends with status 0. Ends the run
// through `fatal` on any mistake.
std::optional<CommandLine> parseCommandLine(int argc, const char* const* argv);

// Writes the usage text to standard output.
void printUsage();

}  // namespace korvcmp
