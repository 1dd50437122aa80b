// Out of memory at every allocation of a run, and a full disk. Each run either
// succeeds with the same compared listing, or ends with one error line and
// status 255; never by a signal, and never at the cost of a byte of an input
// or of an output that existed before.
#include <sys/mount.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

namespace fs = std::filesystem;

const std::string kOutOfMemory = "*** korvcmp error: Out of memory, malloc() failed\n";

enum class Destination { NewFile, ExistingFile, Listing1, Listing2 };

struct Sweep {
    const char* name;
    std::size_t listingBytes;  // 0: the example pair as it is
    Destination destination;
};

// Large listings are read with the worker thread and written through it.
constexpr std::size_t kLarge = std::size_t{6} << 20;

const Sweep kSweeps[] = {
    {"ExampleIntoExistingFile", 0, Destination::ExistingFile},
    {"ExampleOntoListing1", 0, Destination::Listing1},
    {"ExampleOntoListing2", 0, Destination::Listing2},
    {"LargeIntoNewFile", kLarge, Destination::NewFile},
    {"LargeOntoListing2", kLarge, Destination::Listing2},
};

void PrintTo(const Sweep& sweep, std::ostream* out) {
    *out << sweep.name;
}

#if defined(KORVCMP_FAILING_ALLOCATOR)
// Runs `program` (korvcmp when empty) with the failing allocator preloaded,
// with `setting` in its environment: KORVCMP_ALLOCATION_COUNT=FILE counts the
// allocations into FILE, KORVCMP_FAIL_ALLOCATION=N fails the Nth.
ChildResult runWithAllocator(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& setting) {
    ChildOptions options;
    options.program = program;
    options.environment = {"LD_PRELOAD=" KORVCMP_FAILING_ALLOCATOR, setting};
    return runBinaryWith(arguments, options);
}

// Runs `program` once for each of its `allocations` failing in turn (and the
// two after the last), each after `prepare()`, and hands each result to
// `check(result)` once the run has ended neither by a signal nor by the time
// limit. Stops at the first fatal failure.
template <typename Prepare, typename Check>
void failEachAllocation(const std::string& program, const std::vector<std::string>& arguments,
                        int allocations, Prepare prepare, Check check) {
    for (int failing = 1; failing <= allocations + 2; ++failing) {
        SCOPED_TRACE("allocation " + std::to_string(failing) + " of " +
                     std::to_string(allocations) + " fails");
        prepare();
        const ChildResult result = runWithAllocator(
            program, arguments, "KORVCMP_FAIL_ALLOCATION=" + std::to_string(failing));
        ASSERT_FALSE(result.killedBySignal)
            << "signal " << result.status - 128 << ": " << result.standardError;
        ASSERT_FALSE(result.timedOut);
        check(result);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
}
#endif

class AllocationFailureSweep : public ::testing::TestWithParam<Sweep> {};

TEST_P(AllocationFailureSweep, EveryAllocationMayFail) {
#if !defined(KORVCMP_FAILING_ALLOCATOR)
    GTEST_SKIP() << "the failing allocator cannot be preloaded into this build";
#else
    const Sweep& sweep = GetParam();
    const TempDir dir;
    const std::string one = sweep.listingBytes == 0
                                ? readFile(sourcePath("examples/run1.lst"))
                                : repeatedExample("run1.lst", sweep.listingBytes);
    const std::string two = sweep.listingBytes == 0
                                ? readFile(sourcePath("examples/run2.lst"))
                                : repeatedExample("run2.lst", sweep.listingBytes);
    const std::string oldOutput = "an output of an earlier run\n";
    const std::string onePath = dir.file("one.lst");
    const std::string twoPath = dir.file("two.lst");
    const std::string output = sweep.destination == Destination::Listing1   ? onePath
                               : sweep.destination == Destination::Listing2 ? twoPath
                                                                            : dir.file("out.lst");
    const auto prepare = [&] {
        dir.write("one.lst", one);
        dir.write("two.lst", two);
        fs::remove(dir.file("out.lst"));
        if (sweep.destination == Destination::ExistingFile) {
            dir.write("out.lst", oldOutput);
        }
    };
    // What the destination holds before a run: what a failed run must leave.
    const std::string before = sweep.destination == Destination::Listing1   ? one
                               : sweep.destination == Destination::Listing2 ? two
                                                                            : oldOutput;
    const bool existedBefore = sweep.destination != Destination::NewFile;
    const std::vector<std::string> arguments = {"-i1", onePath, "-i2", twoPath, "-p", output};

    // A run without failures: its compared listing and its number of allocations.
    prepare();
    const ChildResult reference =
        runWithAllocator("", arguments, "KORVCMP_ALLOCATION_COUNT=" + dir.file("count"));
    ASSERT_EQ(reference.status, 0) << reference.standardError;
    const std::string expected = withoutTime(readFile(output));
    const int allocations = std::stoi(readFile(dir.file("count")));
    ASSERT_GT(allocations, 0);

    int failedRuns = 0;
    failEachAllocation("", arguments, allocations, prepare, [&](const ChildResult& result) {
        if (result.status == 0) {
            ASSERT_EQ(result.standardError, "");
            ASSERT_EQ(withoutTime(readFile(output)), expected);
        } else {
            ++failedRuns;
            ASSERT_EQ(result.status, 255);
            ASSERT_EQ(result.standardError, kOutOfMemory);
            ASSERT_EQ(fileExists(output), existedBefore);
            if (existedBefore) {
                ASSERT_EQ(readFile(output), before);
            }
        }
        // An input is only ever replaced by a complete compared listing.
        if (result.status != 0 || sweep.destination != Destination::Listing1) {
            ASSERT_EQ(readFile(onePath), one);
        }
        if (result.status != 0 || sweep.destination != Destination::Listing2) {
            ASSERT_EQ(readFile(twoPath), two);
        }
        // Nothing but the inputs and the destination is left behind.
        std::size_t files = 0;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            files += entry.path().filename() != "count" ? 1 : 0;
        }
        ASSERT_EQ(files, fileExists(dir.file("out.lst")) ? 3U : 2U);
    });
    // The sweep is not vacuous: most allocations are needed by the run.
    EXPECT_GT(failedRuns, allocations / 2);
#endif
}

// korvcmp-lost without memory at each of its allocations (buffers, names, the
// thread that reads ahead): the whole answer, or the findings before and one
// line saying so with status 2; never a signal.
TEST(OutOfMemory, KorvcmpLostEveryAllocationMayFail) {
#if !defined(KORVCMP_FAILING_ALLOCATOR)
    GTEST_SKIP() << "the failing allocator cannot be preloaded into this build";
#else
    const TempDir dir;
    const std::vector<std::string> arguments = {
        sourcePath("tests/output/golden/examples.compared.txt")};
    const ChildResult reference = runWithAllocator(KORVCMP_LOST_BINARY, arguments,
                                                   "KORVCMP_ALLOCATION_COUNT=" + dir.file("count"));
    ASSERT_EQ(reference.status, 1) << reference.standardError;
    const int allocations = std::stoi(readFile(dir.file("count")));
    ASSERT_GT(allocations, 0);

    int failedRuns = 0;
    const auto nothingToPrepare = [] {};
    failEachAllocation(
        KORVCMP_LOST_BINARY, arguments, allocations, nothingToPrepare,
        [&](const ChildResult& result) {
            if (result.status == reference.status) {
                ASSERT_EQ(result.standardOutput, reference.standardOutput);
                ASSERT_EQ(result.standardError, reference.standardError);
            } else {
                ++failedRuns;
                ASSERT_EQ(result.status, 2);
                ASSERT_EQ(result.standardError, "korvcmp-lost: out of memory\n");
                ASSERT_TRUE(reference.standardOutput.starts_with(result.standardOutput));
            }
        });
    EXPECT_GT(failedRuns, 0);
#endif
}

// korvcmp-report without memory at each of its allocations, with an earlier
// report in its directory: the whole report and JSON, or one line saying so
// with status 2, the earlier report as it was, no JSON half-written and
// nothing else left behind.
TEST(OutOfMemory, KorvcmpReportEveryAllocationMayFail) {
#if !defined(KORVCMP_FAILING_ALLOCATOR) || !defined(KORVCMP_REPORT_BINARY)
    GTEST_SKIP() << "the failing allocator cannot be preloaded into this build";
#else
    const TempDir dir;
    const std::string run1 = sourcePath("examples/run1.lst");
    const std::string run2 = sourcePath("examples/run2.lst");
    const std::string report = dir.file("report");
    const std::string json = dir.file("report.json");
    const std::string sarif = dir.file("report.sarif");
    // The earlier report is of the swapped pair, so that it differs.
    const ChildResult earlier =
        runWithAllocator(KORVCMP_REPORT_BINARY, {"-i1", run2, "-i2", run1, "--html", report},
                         "KORVCMP_ALLOCATION_COUNT=" + dir.file("count"));
    ASSERT_EQ(earlier.status, 0) << earlier.standardError;
    const std::string earlierIndex = readFile(report + "/index.html");
    const std::vector<std::string> arguments = {"-i1",  run1,     "-i2", run2,      "--html",
                                                report, "--json", json,  "--sarif", sarif};
    const auto prepare = [&] {
        fs::remove(json);
        fs::remove(sarif);
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            if (entry.path().filename().string().starts_with("report.korvcmp-report-")) {
                fs::remove_all(entry.path());
            }
        }
        if (readFile(report + "/index.html") != earlierIndex) {
            fs::remove_all(report);
            ASSERT_EQ(runWithAllocator(KORVCMP_REPORT_BINARY,
                                       {"-i1", run2, "-i2", run1, "--html", report}, "")
                          .status,
                      0);
        }
    };
    const ChildResult reference = runWithAllocator(KORVCMP_REPORT_BINARY, arguments,
                                                   "KORVCMP_ALLOCATION_COUNT=" + dir.file("count"));
    ASSERT_EQ(reference.status, 0) << reference.standardError;
    const std::string expectedJson = readFile(json);
    const std::string expectedSarif = readFile(sarif);
    const std::string expectedIndex = readFile(report + "/index.html");
    ASSERT_NE(expectedIndex, earlierIndex);
    const int allocations = std::stoi(readFile(dir.file("count")));
    prepare();

    int failedRuns = 0;
    failEachAllocation(
        KORVCMP_REPORT_BINARY, arguments, allocations, prepare, [&](const ChildResult& result) {
            if (result.status == 0) {
                ASSERT_EQ(readFile(json), expectedJson);
                ASSERT_EQ(readFile(sarif), expectedSarif);
                ASSERT_EQ(readFile(report + "/index.html"), expectedIndex);
            } else {
                ++failedRuns;
                ASSERT_EQ(result.status, 2);
                ASSERT_EQ(result.standardError, "korvcmp-report: Out of memory, malloc() failed\n");
                // The report directory is put in place last: whatever failed
                // left the earlier report; the JSON is none or complete.
                ASSERT_EQ(readFile(report + "/index.html"), earlierIndex);
                if (fileExists(json)) {
                    ASSERT_EQ(readFile(json), expectedJson);
                }
                if (fileExists(sarif)) {
                    ASSERT_EQ(readFile(sarif), expectedSarif);
                }
            }
            // Without memory to remove it, the earlier report may stay
            // beside the new one, moved aside; nothing else is left.
            std::size_t entries = 0;
            for (const auto& entry : fs::directory_iterator(dir.path())) {
                const std::string name = entry.path().filename().string();
                const bool earlierAside =
                    result.status == 0 && name.starts_with("report.korvcmp-report-");
                entries += name != "count" && !earlierAside ? 1 : 0;
            }
            ASSERT_EQ(entries, 1U + (fileExists(json) ? 1U : 0U) + (fileExists(sarif) ? 1U : 0U));
        });
    EXPECT_GT(failedRuns, allocations / 2);
#endif
}

INSTANTIATE_TEST_SUITE_P(OutOfMemory, AllocationFailureSweep, ::testing::ValuesIn(kSweeps),
                         [](const ::testing::TestParamInfo<Sweep>& info) {
                             return std::string(info.param.name);
                         });

// A file system mounted for the test, unmounted at the end.
class SmallFileSystem {
  public:
    SmallFileSystem(std::string path, std::size_t bytes) : path_(std::move(path)) {
        fs::create_directory(path_);
        const std::string options = "size=" + std::to_string(bytes);
        mounted_ = mount("korvcmp-test", path_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallFileSystem() {
        if (mounted_) {
            umount2(path_.c_str(), MNT_DETACH);
        }
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool mounted() const { return mounted_; }

  private:
    std::string path_;
    bool mounted_ = false;
};

// The output replaces listing 2 on a file system with room for listing 2 but
// not for a second copy: the run fails at closing, and listing 2 keeps its
// bytes, with nothing left beside it.
TEST(OutOfSpace, OutputReplacingListing2OnAFullDisk) {
    const TempDir dir;
    const std::string two = repeatedExample("run2.lst", std::size_t{384} << 10);
    SmallFileSystem small(dir.file("small"), two.size() + (std::size_t{64} << 10));
    if (!small.mounted()) {
        GTEST_SKIP() << "no permission to mount a small file system here";
    }
    const std::string twoPath = dir.file("small/two.lst");
    dir.write("small/two.lst", two);
    const ChildResult result =
        runBinaryWith({"-i1", sourcePath("examples/run1.lst"), "-i2", twoPath, "-p", twoPath}, {});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.standardError, "*** korvcmp error: Could not close output profile file\n");
    EXPECT_EQ(readFile(twoPath), two);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.file("small"))) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"two.lst"});
}

// A report that does not fit on the disk: status 2, and the earlier report
// in its place as it was, with nothing left beside it.
TEST(OutOfSpace, ReportOnAFullDiskKeepsTheEarlierReport) {
#if !defined(KORVCMP_REPORT_BINARY)
    GTEST_SKIP() << "no korvcmp-report in this build";
#else
    const TempDir dir;
    const std::string one = dir.write("one.lst", repeatedExample("run1.lst", std::size_t{1} << 20));
    const std::string two = dir.write("two.lst", repeatedExample("run2.lst", std::size_t{1} << 20));
    SmallFileSystem small(dir.file("small"), std::size_t{1} << 20);
    if (!small.mounted()) {
        GTEST_SKIP() << "no permission to mount a small file system here";
    }
    const std::string report = dir.file("small/report");
    ChildOptions options;
    options.program = KORVCMP_REPORT_BINARY;
    ASSERT_EQ(runBinaryWith({"-i1", sourcePath("examples/run1.lst"), "-i2",
                             sourcePath("examples/run2.lst"), "--html", report},
                            options)
                  .status,
              0);
    const std::string earlierIndex = readFile(report + "/index.html");
    const ChildResult result = runBinaryWith({"-i1", one, "-i2", two, "--html", report}, options);
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(result.standardError.starts_with("korvcmp-report: ")) << result.standardError;
    EXPECT_EQ(std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1);
    EXPECT_EQ(readFile(report + "/index.html"), earlierIndex);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.file("small"))) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"report"});
#endif
}

}  // namespace
}  // namespace korvcmp::testing
