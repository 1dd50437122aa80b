// A first end-to-end check: the usage text and one complete run.
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

TEST(Smoke, NoArgumentsPrintsUsage) {
    const ProcessResult result = runBinary({});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.standardOutput.find("korvcmp -h\n"), std::string::npos);
    EXPECT_EQ(result.standardError, "");
}

}  // namespace
}  // namespace korvcmp::testing
