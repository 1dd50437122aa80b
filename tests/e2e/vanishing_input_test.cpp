// Listing 2 cut short by another program while korvcmp still needs its text:
// the run ends with listing 2's read error and status 255, not a crash.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

TEST(VanishingInput, Listing2TruncatedDuringTheRunIsAReadError) {
    TempDir dir;
    const std::string listing2 = dir.write("run2.lst", readFile(sourcePath("examples/run2.lst")));
    const std::string listing1 = dir.file("run1.fifo");
    ASSERT_EQ(mkfifo(listing1.c_str(), 0644), 0);
    const std::string output = dir.file("out.lst");

    // korvcmp opens listing 1 only after it has read listing 2 whole. As
    // soon as it does, listing 2 is emptied, and then listing 1 is sent: its
    // sections are compared with listing 2's lines, which are gone.
    std::thread writer([&] {
        const int fifo = open(listing1.c_str(), O_WRONLY);
        if (fifo < 0) {
            return;
        }
        EXPECT_EQ(truncate(listing2.c_str(), 0), 0);
        const std::string content = readFile(sourcePath("examples/run1.lst"));
        std::size_t sent = 0;
        while (sent < content.size()) {
            const ssize_t written = write(fifo, content.data() + sent, content.size() - sent);
            if (written <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(written);
        }
        close(fifo);
    });
    const ProcessResult result = runBinary({"-i1", listing1, "-i2", listing2, "-p", output});
    writer.join();

    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.standardError,
              "*** korvcmp error: Read error of file " + listing2 + ", near line 0\n");
    EXPECT_FALSE(fileExists(output));
}

}  // namespace
}  // namespace korvcmp::testing
