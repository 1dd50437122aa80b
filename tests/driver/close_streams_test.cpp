// The closing step of a run: the inputs are only read, so closing them fails
// only when the system reports an error at close. Taking the descriptor away
// beneath a stream makes its close fail, and each failure has its message.
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "base/fatal.h"
#include "driver/run.h"
#include "pipeline/run_state.h"
#include "platform/system_memory.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

// The descriptor the next file opened gets: the lowest one free.
int nextDescriptor() {
    const int descriptor = ::dup(0);
    ::close(descriptor);
    return descriptor;
}

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
        RunRequest request;
        request.paths = ListingPaths{listing.c_str(), listing.c_str()};
        OutputStream stream;
        RunState run(request, systemMemory());
        const int listing1Descriptor = nextDescriptor();
        ASSERT_TRUE(run.listing1Reader.open(listing.c_str(), false));
        const int listing2Descriptor = nextDescriptor();
        ASSERT_TRUE(run.listing2Reader.open(listing.c_str(), true));
        // Writing onto a full device fails, and so the output's close.
        ASSERT_TRUE(
            stream.createFile(c.failing == std::string("output") ? "/dev/full" : output.c_str()));
        const std::string failing = c.failing;
        if (failing == "listing 1") {
            ::close(listing1Descriptor);
        } else if (failing == "listing 2") {
            ::close(listing2Descriptor);
        } else {
            stream.write("x");
        }
        try {
            closeStreams(run, stream);
            ADD_FAILURE() << "closing succeeded";
        } catch (const FatalError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

}  // namespace
}  // namespace korvcmp::testing
