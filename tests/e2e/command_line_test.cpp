// The command line, run through the korvcmp binary: the usage text, and every
// command-line message in the order the checks are made, with no output file
// created or touched when the command line is wrong.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

constexpr const char* kUsage = R"(
This is Korvo coverage comparator utility, korvcmp v1.0

korvcmp reads two korvrpt-generated Execution Profile Listings. As output
it writes a copy of the second listing with structural coverage differences
marked after the execution hit counts as follows:

  ^ => new coverage (listing 2 showed coverage while listing 1 did not)
  v => lost coverage (listing 2 did not show coverage while listing 1 did)
    => equal coverage (both listings showed coverage or both did not)

If a file is only in listing 2, or if it is changed or instrumented/reported
in a non-comparable way, the file is compared as if all of its hits were new.

The amount of differences [hits in listing 1 + new hits in listing 2 - lost
hits in listing 2] is reported at summary levels.

Usage:

korvcmp -i1 profile1.txt -i2 profile2.txt -p {output.txt|-}
korvcmp -h
)";

std::set<std::string> filesIn(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// The usage text goes to standard output with status 0, and nothing is
// opened: the listings named here do not exist and "new.txt" stays uncreated.
TEST(CommandLine, UsageOnRequest) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"-h"},
        {"-h", "-x", "--bogus", "-i1"},
        {"-i1", "no1.lst", "-i2", "no2.lst", "-p", "new.txt", "-h"},
        {"-p", "new.txt", "-h", "-p", "again.txt"},
    };
    for (const auto& arguments : cases) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const TempDir dir;
        const ProcessResult result = runBinary(arguments, dir.path().string());
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.standardOutput, kUsage);
        EXPECT_EQ(result.standardError, "");
        EXPECT_TRUE(filesIn(dir).empty());
    }
}

struct ErrorCase {
    std::vector<std::string> arguments;
    std::string message;
};

// Every case runs in a directory that holds only "out.txt"; afterwards it must
// hold only "out.txt" with its bytes unchanged.
TEST(CommandLine, MistakesAreReportedInTheOrderOfTheChecks) {
    const std::vector<ErrorCase> cases = {
        {{"-i1", "-h"}, "Command line, argument missing for option -i1"},
        {{"-i1", "a", "-i1", "b", "-i2", "c", "-p", "out.txt"},
         "Command line, -i1 option already given"},
        {{"-i1", "a", "-i1"}, "Command line, -i1 option already given"},
        {{"-i2", "c", "-p", "out.txt", "-i1"}, "Command line, argument missing for option -i1"},
        {{"-i1", "-i2", "c", "-p", "out.txt"}, "Command line, argument missing for option -i1"},
        {{"-i1", "-", "-i2", "c"}, "Command line, argument missing for option -i1"},
        {{"-i2", "a", "-i2", "b"}, "Command line, -i2 option already given"},
        {{"-i1", "a", "-i2", "-", "-p", "out.txt"},
         "Command line, argument missing for option -i2"},
        {{"-i1", "a", "-i2"}, "Command line, argument missing for option -i2"},
        {{"-p", "out.txt", "-p", "new.txt"}, "Command line, -p option already given"},
        {{"-i1", "a", "-i2", "b", "-p", "-x"}, "Command line, argument missing for option -p"},
        {{"-i1", "a", "-i2", "b", "-p", "-h"}, "Command line, argument missing for option -p"},
        {{"-i1", "a", "-i2", "b", "-p"}, "Command line, argument missing for option -p"},
        {{"-I1", "a"}, "Command line, bad option: \"-I1\""},
        {{"-P", "out.txt"}, "Command line, bad option: \"-P\""},
        {{"--i1", "a"}, "Command line, bad option: \"--i1\""},
        {{"-i1=a"}, "Command line, bad option: \"-i1=a\""},
        {{"-i1a", "-i2", "b"}, "Command line, bad option: \"-i1a\""},
        {{"-i1", "a", "-i2", "b", "-pout.txt"}, "Command line, bad option: \"-pout.txt\""},
        {{"a.lst", "-i1", "a", "-i2", "b", "-p", "out.txt"}, "Command line, bad option: \"a.lst\""},
        {{"-x", "-h"}, "Command line, bad option: \"-x\""},
        {{"-i1", "a", "extra", "-h"}, "Command line, bad option: \"extra\""},
        {{"-"}, "Command line, bad option: \"-\""},
        {{""}, "Command line, bad option: \"\""},
        {{"-p", "out.txt"}, "Command line, option -i1 missing"},
        {{"-i2", "b", "-p", "out.txt"}, "Command line, option -i1 missing"},
        {{"-i1", "a", "-p", "out.txt"}, "Command line, option -i2 missing"},
        {{"-i1", "a", "-i2", "b"}, "Command line, option -p missing"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const TempDir dir;
        dir.write("out.txt", "kept\n");
        const ProcessResult result = runBinary(c.arguments, dir.path().string());
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.standardError, "*** korvcmp error: " + c.message + "\n");
        EXPECT_EQ(result.standardOutput, "");
        EXPECT_EQ(filesIn(dir), std::set<std::string>{"out.txt"});
        EXPECT_EQ(readFile(dir.file("out.txt")), "kept\n");
    }
}

}  // namespace
}  // namespace korvcmp::testing
