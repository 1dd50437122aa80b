// No damage from damaged input: the example listings, each damaged in many
// ways (cut short, a line dropped, doubled or made too long, bytes flipped, a
// NUL put in), run through the whole pipeline into a real output file. A run
// that fails reports exactly one error line and leaves the destination as it
// was, absent or byte for byte; a run that succeeds writes a compared listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/damaged_listings.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

const std::string kErrorPrefix = "*** korvcmp error: ";
// A message that holds the text of a listing line ends in a newline of its own.
const std::string kStrangeLine = "Strange profile listing line: ";
const std::string kKnownBytes = "existing output\n\x01\x02\n";

// The report of a failed run must be a single error line.
void expectOneErrorLine(const std::string& report) {
    ASSERT_EQ(report.rfind(kErrorPrefix, 0), 0U) << report;
    EXPECT_EQ(report.find(kErrorPrefix, 1), std::string::npos) << report;
    const std::string message = report.substr(kErrorPrefix.size());
    const std::size_t newlines =
        static_cast<std::size_t>(std::count(message.begin(), message.end(), '\n'));
    if (message.rfind(kStrangeLine, 0) == 0) {
        EXPECT_EQ(newlines, 2U) << report;
        EXPECT_EQ(message.substr(message.size() - 2), "\n\n") << report;
    } else {
        EXPECT_EQ(newlines, 1U) << report;
        EXPECT_EQ(message.back(), '\n') << report;
    }
}

// The message without its numbers and paths: what kind of failure it is.
std::string kindOf(const std::string& report, const std::string& path) {
    std::string message = report.substr(kErrorPrefix.size());
    if (message.rfind(kStrangeLine, 0) == 0) {
        return kStrangeLine;
    }
    if (const std::size_t at = message.find(path); at != std::string::npos) {
        message.replace(at, path.size(), "<path>");
    }
    const std::size_t digits = message.find_last_not_of("0123456789\n");
    return message.substr(0, digits + 1);
}

// Runs every damaged form of listing `listing` (1 or 2) against the other,
// intact example listing, into a real output file that exists before every
// other run.
void runDamaged(int listing, std::size_t expectedKinds) {
    const TempDir dir;
    const std::string intact = sourcePath(listing == 1 ? "examples/run2.lst" : "examples/run1.lst");
    const std::string source = sourcePath(listing == 1 ? "examples/run1.lst" : "examples/run2.lst");
    const std::string path = dir.file("damaged.lst");
    const std::string output = dir.file("out.txt");

    std::size_t runs = 0;
    std::size_t failures = 0;
    std::map<std::string, std::size_t> runsByFamily;
    std::map<std::string, std::size_t> failuresByFamily;
    std::map<std::string, std::size_t> messageKinds;
    for (const Variant& variant : variantsOf(readFile(source), listing == 2)) {
        const bool outputExisted = runs % 2 == 0;
        ++runs;
        ++runsByFamily[variant.family];
        SCOPED_TRACE(variant.family + ", variant " + std::to_string(runs));
        // New files each time: truncating a file whose data is not yet
        // written out makes some file systems write it first, which is slow.
        std::filesystem::remove(output);
        std::filesystem::remove(path);
        if (outputExisted) {
            dir.write("out.txt", kKnownBytes);
        }
        dir.write("damaged.lst", variant.content);
        const InProcessResult result = runInProcess({"-i1", listing == 1 ? path : intact, "-i2",
                                                     listing == 2 ? path : intact, "-p", output});
        if (result.status == 0) {
            EXPECT_EQ(result.errorOutput, "");
            EXPECT_FALSE(variant.readErrorLine.has_value());
            ASSERT_TRUE(fileExists(output));
            const std::string written = readFile(output);
            EXPECT_FALSE(written.empty());
            EXPECT_NE(written, kKnownBytes);
            continue;
        }
        ++failures;
        ++failuresByFamily[variant.family];
        EXPECT_EQ(result.status, -1);
        expectOneErrorLine(result.errorOutput);
        // The message names the damaged listing, never the intact one.
        EXPECT_EQ(result.errorOutput.find(intact), std::string::npos) << result.errorOutput;
        if (variant.readErrorLine) {
            std::string expected = kErrorPrefix;
            expected += "Read error of file " + path + ", near line ";
            expected += std::to_string(*variant.readErrorLine) + "\n";
            EXPECT_EQ(result.errorOutput, expected);
        }
        if (outputExisted) {
            EXPECT_EQ(readFile(output), kKnownBytes);
        } else {
            EXPECT_FALSE(fileExists(output));
        }
        ++messageKinds[kindOf(result.errorOutput, path)];
    }

    // Not vacuous: most damage is caught, every kind of damage is caught at
    // least sometimes, and the failures come from many different checks.
    EXPECT_GT(runs, 1000U);
    EXPECT_GT(failures * 10, runs * 6) << failures << " of " << runs << " runs failed";
    for (const auto& [family, count] : runsByFamily) {
        EXPECT_GT(failuresByFamily[family], 0U) << family;
    }
    std::string kinds;
    for (const auto& [kind, count] : messageKinds) {
        kinds += "  " + std::to_string(count) + " x " + kind + "\n";
    }
    EXPECT_GE(messageKinds.size(), expectedKinds) << kinds;
}

// Listing 1 is read only up to its SUMMARY line, and sections that listing 2
// lacks are skipped unread: some damage there is harmless.
TEST(NoDamage, DamagedListing1) {
    runDamaged(1, 6);
}

TEST(NoDamage, DamagedListing2) {
    runDamaged(2, 5);
}

}  // namespace
}  // namespace korvcmp::testing
