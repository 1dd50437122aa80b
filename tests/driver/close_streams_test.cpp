// The closing step of a run: the inputs are only read, so closing them fails
// only when the system reports an error at close. Taking the descriptor away
// beneath an input, or writing the output onto a full device, makes its close
// fail, and each failure has its message.
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "base/fatal.h"
#include "driver/process_state.h"
#include "driver/run.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

TEST(CloseStreams, AFailedCloseOfEachStreamHasItsMessage) {
    const TempDir dir;
    const std::string listing = dir.write("a.lst", "a listing\n");
    const std::string output = dir.file("out.lst");
    struct Case {
        const char* failing;
        const char* message;
    };
    for (const Case& c : {Case{"listing 1", "Could not close 1st input profile file"},
                          Case{"listing 2", "Could not close 2nd input profile file"},
                          Case{"output", "Could not close output profile file"}}) {
        SCOPED_TRACE(c.failing);
        process.reset();
        ASSERT_TRUE(process.listing1Stream.open(listing.c_str(), false));
        ASSERT_TRUE(process.listing2Stream.open(listing.c_str(), true));
        // Writing onto a full device fails, and so the output's close.
        ASSERT_TRUE(process.outputStream.createFile(
            c.failing == std::string("output") ? "/dev/full" : output.c_str()));
        const std::string failing = c.failing;
        if (failing == "listing 1") {
            ::close(process.listing1Stream.descriptor());
        } else if (failing == "listing 2") {
            ::close(process.listing2Stream.descriptor());
        } else {
            process.outputStream.write("x");
        }
        try {
            closeStreams();
            ADD_FAILURE() << "closing succeeded";
        } catch (const FatalError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
    process.reset();
}

}  // namespace
}  // namespace korvcmp::testing
