// Listing 2 cut short by another program while korvcmp still needs its text:
// the run ends with listing 2's read error and status 255, not a crash.
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/child_process.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

TEST(VanishingInput, Listing2TruncatedDuringTheRunIsAReadError) {
    TempDir dir;
    const std::string listing2 = dir.write("run2.lst", readFile(sourcePath("examples/run2.lst")));
    const std::string output = dir.file("out.lst");

    // korvcmp opens listing 1 only after it has read listing 2 whole. As
    // soon as it does, listing 2 is emptied, and then listing 1 is sent: its
    // sections are compared with listing 2's lines, which are gone.
    const std::string content = readFile(sourcePath("examples/run1.lst"));
    FifoFeeder listing1(dir.file("run1.fifo"), content, content.size(),
                        std::chrono::milliseconds{0},
                        [&listing2] { EXPECT_EQ(truncate(listing2.c_str(), 0), 0); });
    const ProcessResult result = runBinary({"-i1", listing1.path(), "-i2", listing2, "-p", output});
    listing1.finish();

    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.standardError,
              "*** korvcmp error: Read error of file " + listing2 + ", near line 0\n");
    EXPECT_FALSE(fileExists(output));
}

}  // namespace
}  // namespace korvcmp::testing
