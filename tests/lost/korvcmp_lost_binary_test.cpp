// The built korvcmp-lost binary: the example pair through a pipe from korvcmp
// in each format against its checked output, the exit statuses, standard
// input, the command line, listings that cannot be read whole, and output
// that cannot be written (a closed pipe, a full disk).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/package_version.h"
#include "lost/lost_command_line.h"
#include "support/child_process.h"
#include "support/listing_builder.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

using namespace std::string_literals;

const std::string kExampleTotals =
    "korvcmp-lost: 23 lost, 29 new; 6 functions in 3 files lost coverage; 2 files not compared\n";

// The first `count` lines of `text`, newlines included.
std::string firstLines(const std::string& text, int count) {
    std::size_t end = 0;
    for (int i = 0; i < count; ++i) {
        end = text.find('\n', end) + 1;
    }
    return text.substr(0, end);
}

// Runs `script` in sh with $0 the korvcmp-lost binary and $1 the korvcmp
// binary, in `directory`.
ChildResult runScript(const std::string& script, const std::string& directory) {
    ChildOptions options;
    options.program = "/bin/sh";
    options.workingDirectory = directory;
    return runBinaryWith({"-c", script, KORVCMP_LOST_BINARY, KORVCMP_BINARY}, options);
}

ChildResult runLostBinary(const std::vector<std::string>& arguments, const std::string& directory) {
    ChildOptions options;
    options.program = KORVCMP_LOST_BINARY;
    options.workingDirectory = directory;
    return runBinaryWith(arguments, options);
}

TEST(KorvcmpLostBinary, ExamplePairThroughAPipeInEachFormat) {
    static const struct {
        std::string options;
        std::string golden;
    } cases[] = {
        {"", "tests/lost/golden/examples.lost.gnu"},
        {"--new --format github", "tests/lost/golden/examples.lost.github"},
        {"--format=json --new", "tests/lost/golden/examples.lost.json"},
        {"--new --format sarif", "tests/lost/golden/examples.lost.sarif"},
        {"--new --format=codequality", "tests/lost/golden/examples.lost.codequality"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const TempDir dir;
        const ChildResult result =
            runScript("\"$1\" -i1 '" + sourcePath("examples/run1.lst") + "' -i2 '" +
                          sourcePath("examples/run2.lst") + "' -p - | \"$0\" " + c.options,
                      dir.path().string());
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.standardOutput, readFile(sourcePath(c.golden)));
        EXPECT_EQ(result.standardError, kExampleTotals);
    }
}

TEST(KorvcmpLostBinary, StatusInputAndCommandLine) {
    const TempDir dir;
    const std::string example = sourcePath("tests/output/golden/examples.compared.txt");
    const std::string text = readFile(example);
    const std::string gnu = readFile(sourcePath("tests/lost/golden/examples.lost.gnu"));
    // Listing 2 against itself: nothing is lost.
    ASSERT_EQ(runBinary({"-i1", sourcePath("examples/run2.lst"), "-i2",
                         sourcePath("examples/run2.lst"), "-p", dir.file("same.txt")})
                  .status,
              0);
    const std::string kSeeUsage = " (korvcmp-lost -h shows the usage)\n";

    const struct {
        std::string script;  // sh, in the temporary directory; $0 is korvcmp-lost
        int status;
        std::string output;
        std::string error;
    } cases[] = {
        {"\"$0\" '" + example + "'", 1, gnu, kExampleTotals},
        {"\"$0\" < '" + example + "'", 1, gnu, kExampleTotals},
        {"\"$0\" --format gnu - < '" + example + "'", 1, gnu, kExampleTotals},
        {"\"$0\" same.txt", 0, "",
         "korvcmp-lost: 0 lost, 0 new; 0 functions in 0 files lost coverage; 0 files not "
         "compared\n"},
        {"\"$0\" -h", 0, std::string(kLostUsage), ""},
        {"\"$0\" --help --bogus", 0, std::string(kLostUsage), ""},
        {"\"$0\" --bogus", 2, "", "korvcmp-lost: unknown option \"--bogus\"" + kSeeUsage},
        {"\"$0\" --format xml", 2, "",
         "korvcmp-lost: unknown format \"xml\", use gnu, github, json, sarif or codequality" +
             kSeeUsage},
        {"\"$0\" --format", 2, "",
         "korvcmp-lost: --format needs a format: gnu, github, json, sarif or codequality" +
             kSeeUsage},
        {"\"$0\" --version", 0, "korvcmp-lost " + std::string(kPackageVersion) + "\n", ""},
        // A limit writes the first findings and one line on the rest; the
        // totals and the status count them all.
        {"\"$0\" --limit 2 '" + example + "'", 1,
         firstLines(gnu, 2) + "korvcmp-lost: note: 23 findings left out by --limit 2\n",
         kExampleTotals},
        {"\"$0\" --limit=0 -- '" + example + "'", 1, gnu, kExampleTotals},
        {"\"$0\" --limit -1 x", 2, "",
         "korvcmp-lost: --limit needs a number of findings, 0 for all, not \"-1\"" + kSeeUsage},
        {"\"$0\" --limit=2x x", 2, "",
         "korvcmp-lost: --limit needs a number of findings, 0 for all, not \"2x\"" + kSeeUsage},
        {"\"$0\" a b", 2, "",
         "korvcmp-lost: more than one compared listing: \"a\" and \"b\"" + kSeeUsage},
        {"\"$0\" missing.txt", 2, "",
         "korvcmp-lost: missing.txt: cannot open: No such file or directory\n"},
        {"\"$0\" < /dev/null", 2, "",
         "korvcmp-lost: (standard input):0: nothing to read (an empty file, or a directory): not "
         "a compared listing\n"},
        {"mkdir -p d; \"$0\" d", 2, "",
         "korvcmp-lost: d:0: nothing to read (an empty file, or a directory): not a compared "
         "listing\n"},
        {"\"$0\" '" + example + "' > /dev/full", 2, "",
         "korvcmp-lost: cannot write the output: No space left on device\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        const ChildResult result = runScript(c.script, dir.path().string());
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.standardOutput, c.output);
        EXPECT_EQ(result.standardError, c.error);
    }
}

// A line that cannot be read whole ends the run after the items before it,
// with the line's number and status 2.
TEST(KorvcmpLostBinary, IncompleteLinesEndTheRunAfterTheItemsBefore) {
    const std::string text = readFile(sourcePath("tests/output/golden/examples.compared.txt"));
    const int damagedAt = lineOf(text, "FUNCTION sensor_wait_ready()");
    // Every item of the example stands before that line.
    const std::string itemsBefore = readFile(sourcePath("tests/lost/golden/examples.lost.gnu"));
    const TempDir dir;
    const struct {
        std::string what;
        std::string content;
        int line;
    } cases[] = {
        {"NUL", replaceLine(text, damagedAt, "        1 \0x"s), damagedAt},
        {"4096 characters", replaceLine(text, damagedAt, std::string(4096, 'x')), damagedAt},
        {"no newline at the end", text.substr(0, text.size() - 1),
         lineOf(text, "Statement blocks")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write("damaged.txt", c.content);
        const ProcessResult result = runLostBinary({"damaged.txt"}, dir.path().string());
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.standardOutput, itemsBefore);
        EXPECT_EQ(result.standardError,
                  "korvcmp-lost: damaged.txt:" + std::to_string(c.line) +
                      ": incomplete line: longer than 4095 characters, holding a NUL byte, or "
                      "without a newline at the end of the file\n");
    }
}

// A reader that goes away: the end of cat (SIGPIPE, 141 in the shell), or a
// quiet status 2 where SIGPIPE is ignored; never the status of a complete run.
TEST(KorvcmpLostBinary, ClosedPipeEndsTheRunWithoutSuccess) {
    std::vector<std::string> body;
    for (int i = 0; i < 4000; ++i) {
        std::string line = profileLine("0", "", '-', "12", "return " + std::to_string(i));
        line[10] = 'v';
        body.push_back(line);
    }
    ListingLayout layout;
    layout.header.title =
        "*             EXECUTION PROFILE LISTING (COMPARED by korvcmp v1.0)          *";
    FileLayout file;
    file.functions = {function("f", body)};
    file.functions[0].terLine = "***TER   0% ([4000 + 0 - 4000]    1/4001) of FUNCTION f()";
    file.terLine = "***TER   0% ([4000 + 0 - 4000]    1/4001) of FILE src/a.c";
    layout.summary[7] =
        "TER                :   0% ([4000 + 0 - 4000] 1/4001)  Decisions+Conditions";
    layout.files = {file};
    const TempDir dir;
    dir.write("many.txt", render(layout));
    ASSERT_EQ(runLostBinary({"many.txt"}, dir.path().string()).status, 1);
    const std::string pipeline = "{ \"$0\" many.txt; echo $? > status; } | head -c 1 > /dev/null";

    const ChildResult byDefault = runScript(pipeline, dir.path().string());
    const std::string status = readFile(dir.file("status"));
    EXPECT_TRUE(status == "141\n" || status == "2\n") << status;
    EXPECT_EQ(byDefault.standardError, "");

    const ChildResult ignored = runScript("trap '' PIPE; " + pipeline, dir.path().string());
    EXPECT_EQ(readFile(dir.file("status")), "2\n");
    EXPECT_EQ(ignored.standardError, "");
}

}  // namespace
}  // namespace korvcmp::testing
