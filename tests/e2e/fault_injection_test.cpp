// The korvcmp binary under faults of its surroundings: inputs that are not
// regular files (directories, devices, named pipes whose writer stops early),
// files it may not read or create, and too little memory. Every failure must
// be one "*** korvcmp error: " line with exit status 255, and must leave the
// destination alone.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/listing_builder.h"
#include "support/test_support.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KORVCMP_TEST_SHADOW_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KORVCMP_TEST_SHADOW_SANITIZER 1
#endif
#endif

namespace korvcmp::testing {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

const std::string kErrorPrefix = "*** korvcmp error: ";

// AddressSanitizer and ThreadSanitizer map shadow memory of their own.
#if defined(KORVCMP_TEST_SHADOW_SANITIZER)
constexpr bool kShadowSanitizer = true;
#else
constexpr bool kShadowSanitizer = false;
#endif

std::string errorLine(const std::string& message) {
    return kErrorPrefix + message + "\n";
}

std::string example1() {
    return readFile(sourcePath("examples/run1.lst"));
}

std::string example2() {
    return readFile(sourcePath("examples/run2.lst"));
}

// The first `count` lines of `text`, with their newlines.
std::string firstLines(const std::string& text, int count) {
    std::size_t end = 0;
    for (int i = 0; i < count; ++i) {
        end = text.find('\n', end) + 1;
    }
    return text.substr(0, end);
}

// `text` with every `from` replaced by `to`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return text;
    }
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The compared listing read from `path` as if it named the example listings:
// the header names the inputs by their paths.
std::string asFromExamples(const std::string& path, const std::string& pipe1,
                           const std::string& pipe2) {
    return replaced(
        replaced(withoutTime(readTextFile(path)), pipe1, sourcePath("examples/run1.lst")), pipe2,
        sourcePath("examples/run2.lst"));
}

// The compared listing of the example pair, read from regular files.
std::string referenceOutput(const TempDir& dir) {
    const std::string path = dir.file("reference.txt");
    const ProcessResult result = runBinary({"-i1", sourcePath("examples/run1.lst"), "-i2",
                                            sourcePath("examples/run2.lst"), "-p", path});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.standardError, "");
    return withoutTime(readTextFile(path));
}

void expectFailure(const ProcessResult& result, const std::string& message) {
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.standardError, errorLine(message));
    EXPECT_EQ(result.standardOutput, "");
}

// A directory or a device opens like a file but delivers no line: the first
// read fails, before any line was counted.
TEST(FaultInjection, InputsThatAreNoRegularFiles) {
    const TempDir dir;
    const std::string directory = dir.path().string() + "/listing.d";
    fs::create_directory(directory);
    const std::string one = sourcePath("examples/run1.lst");
    const std::string two = sourcePath("examples/run2.lst");
    struct Case {
        std::string one;
        std::string two;
        std::string message;
    };
    std::vector<Case> cases = {
        {one, directory, "Read error of file " + directory + ", near line 0"},
        {directory, two, "Read error of file " + directory + ", near line 0"},
    };
    if (fileExists("/dev/null")) {
        cases.push_back({one, "/dev/null", "Read error of file /dev/null, near line 0"});
        cases.push_back({"/dev/null", two, "Read error of file /dev/null, near line 0"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        dir.write("existing.txt", "kept\n");
        for (const std::string destination : {"existing.txt", "new.txt"}) {
            const ProcessResult result =
                runBinary({"-i1", c.one, "-i2", c.two, "-p", destination}, dir.path().string());
            expectFailure(result, c.message);
        }
        EXPECT_EQ(readFile(dir.file("existing.txt")), "kept\n");
        EXPECT_FALSE(fileExists(dir.file("new.txt")));
    }
}

// Listings that arrive through named pipes, in pieces that split lines,
// compare exactly as the same listings from regular files.
TEST(FaultInjection, CompleteListingsThroughNamedPipes) {
    const TempDir dir;
    const std::string expected = referenceOutput(dir);
    ASSERT_FALSE(expected.empty());
    struct Case {
        bool pipe1;
        bool pipe2;
    };
    for (const Case c : {Case{true, false}, Case{false, true}, Case{true, true}}) {
        SCOPED_TRACE(std::string(c.pipe1 ? "listing 1" : "") + (c.pipe2 ? " listing 2" : "") +
                     " through a pipe");
        std::optional<FifoFeeder> feeder1;
        std::optional<FifoFeeder> feeder2;
        std::string one = sourcePath("examples/run1.lst");
        std::string two = sourcePath("examples/run2.lst");
        if (c.pipe1) {
            one = dir.file("one.fifo");
            feeder1.emplace(one, example1(), 777);
        }
        if (c.pipe2) {
            two = dir.file("two.fifo");
            feeder2.emplace(two, example2(), 1231);
        }
        const std::string output = dir.file("out.txt");
        const ChildResult result = runBinaryWith({"-i1", one, "-i2", two, "-p", output}, {});
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.standardError, "");
        EXPECT_EQ(asFromExamples(output, one, two), expected);
        fs::remove(output);
    }
}

// A pipe whose writer sends part of a listing and then closes: the message
// names the pipe and the line where the listing broke off, exactly as for a
// cut regular file. Listing 1 that stops right after its SUMMARY line is
// complete for the comparison.
TEST(FaultInjection, NamedPipeWriterStopsEarly) {
    const TempDir dir;
    const std::string expected = referenceOutput(dir);
    const std::string one = example1();
    const std::string two = example2();
    const std::string fifo = dir.file("listing.fifo");
    const int heading2 = lineOf(two, " HITS/TRUE      FALSE    LINE DESCRIPTION");
    const int summary1 = lineOf(one, "SUMMARY");
    // A section of listing 1 that listing 2 lacks: it is skipped unread.
    const int skipped1 = lineOf(one, "MONITORED SOURCE FILE : src/log.c");
    const int paired1 = lineOf(one, "MONITORED SOURCE FILE : src/control.c");
    ASSERT_GT(heading2, 0);
    ASSERT_GT(summary1, 0);
    ASSERT_GT(skipped1, 0);
    ASSERT_GT(paired1, 0);
    ASSERT_EQ(lineOf(two, "MONITORED SOURCE FILE : src/log.c"), 0);
    const std::string cutLine = firstLines(two, 101).substr(firstLines(two, 100).size(), 20);
    const std::string cutSkipped =
        firstLines(one, skipped1 + 9).substr(firstLines(one, skipped1 + 8).size(), 15);

    struct Case {
        int pipe;  // the listing that comes through the pipe
        std::string sent;
        std::string message;  // empty: the run succeeds
    };
    const auto readError = [&](int line) {
        return "Read error of file " + fifo + ", near line " + std::to_string(line);
    };
    const auto skipError = [&](int line) {
        return "Read error of file " + fifo + " near line " + std::to_string(line);
    };
    const std::vector<Case> cases = {
        {2, "", readError(0)},
        {2, firstLines(two, 100), readError(100)},
        {2, firstLines(two, 100) + cutLine, readError(101)},
        {2, firstLines(two, lineOf(two, "SUMMARY") + 7), readError(lineOf(two, "SUMMARY") + 7)},
        {2, firstLines(two, heading2 - 1) + "garbage\n",
         "Problem in input \"" + fifo + "\" near line " + std::to_string(heading2)},
        {1, "", readError(0)},
        {1, firstLines(one, paired1 + 20), readError(paired1 + 20)},
        {1, firstLines(one, skipped1 + 8), skipError(skipped1 + 8)},
        {1, firstLines(one, skipped1 + 8) + cutSkipped, skipError(skipped1 + 9)},
        {1, firstLines(one, summary1), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("listing " + std::to_string(c.pipe) +
                     " through a pipe: " + (c.message.empty() ? "success" : c.message));
        dir.write("existing.txt", "kept\n");
        const FifoFeeder feeder(fifo, c.sent, 997);
        const std::string path1 = c.pipe == 1 ? fifo : sourcePath("examples/run1.lst");
        const std::string path2 = c.pipe == 2 ? fifo : sourcePath("examples/run2.lst");
        const ChildResult result =
            runBinaryWith({"-i1", path1, "-i2", path2, "-p", dir.file("existing.txt")}, {});
        EXPECT_FALSE(result.timedOut);
        if (c.message.empty()) {
            EXPECT_EQ(result.status, 0);
            EXPECT_EQ(result.standardError, "");
            EXPECT_EQ(asFromExamples(dir.file("existing.txt"), path1, path2), expected);
        } else {
            expectFailure(result, c.message);
            EXPECT_EQ(readFile(dir.file("existing.txt")), "kept\n");
        }
    }
}

// Listing 1 is read only as far as its SUMMARY line: a writer that keeps
// its end of the pipe open after sending the listing must not hold up the
// run. The run must end while the writer still holds its end open.
TEST(FaultInjection, Listing1PipeIsNotWaitedForPastItsSummaryLine) {
    const TempDir dir;
    const std::string expected = referenceOutput(dir);
    FifoFeeder feeder(dir.file("one.fifo"), example1(), 4096, milliseconds{10000});
    const ChildResult result = runBinaryWith(
        {"-i1", feeder.path(), "-i2", sourcePath("examples/run2.lst"), "-p", dir.file("out.txt")},
        {});
    EXPECT_FALSE(feeder.writerClosed())
        << "korvcmp waited for the end of listing 1 although it needs nothing after its "
           "SUMMARY line";
    feeder.release();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(asFromExamples(dir.file("out.txt"), feeder.path(), ""), expected);
}

// Files the user may not read or create. Root reads and writes regardless of
// permissions, so as root the binary runs as an unprivileged user, from a
// copy placed where that user can reach it.
TEST(FaultInjection, PermissionDenied) {
    const bool asRoot = geteuid() == 0;
    if (asRoot && !canSwitchUser()) {
        GTEST_SKIP() << "running as root without the right to switch to an unprivileged user: "
                        "file permissions cannot be tested";
    }
    const TempDir dir;
    const fs::path& base = dir.path();
    const auto mode = [](const fs::path& path, fs::perms perms) {
        fs::permissions(path, perms, fs::perm_options::replace);
    };
    using fs::perms;
    mode(base, perms::owner_all | perms::group_read | perms::group_exec | perms::others_read |
                   perms::others_exec);
    const perms readable =
        perms::owner_read | perms::owner_write | perms::group_read | perms::others_read;
    ChildOptions options;
    options.program = (base / "korvcmp").string();
    fs::copy_file(KORVCMP_BINARY, options.program);
    mode(options.program, readable | perms::owner_exec | perms::group_exec | perms::others_exec);
    if (asRoot) {
        options.user = kUnprivilegedUser;
    }
    const std::string one = dir.write("one.lst", example1());
    const std::string two = dir.write("two.lst", example2());
    const std::string unreadable = dir.write("unreadable.lst", example2());
    mode(one, readable);
    mode(two, readable);
    mode(unreadable, perms::none);
    fs::create_directory(base / "readonly");
    mode(base / "readonly", perms::owner_read | perms::owner_exec | perms::group_read |
                                perms::group_exec | perms::others_read | perms::others_exec);
    fs::create_directory(base / "writable");
    mode(base / "writable", perms::all);
    const std::string kept = dir.write("writable/kept.txt", "kept\n");
    mode(kept, perms::owner_read | perms::group_read | perms::others_read);
    const std::string inReadonly = (base / "readonly/out.txt").string();
    const std::string fresh = (base / "writable/new.txt").string();

    struct Case {
        std::string one;
        std::string two;
        std::string output;
        std::string message;  // empty: the run succeeds
    };
    const std::vector<Case> cases = {
        {one, two, fresh, ""},  // the user can run korvcmp and write where allowed
        {one, unreadable, fresh, "Cannot open file \"" + unreadable + "\""},
        {unreadable, two, fresh, "Cannot open file \"" + unreadable + "\""},
        {one, two, inReadonly, "Cannot create output file \"" + inReadonly + "\""},
        {one, two, kept, "Cannot create output file \"" + kept + "\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.empty() ? "success" : c.message);
        fs::remove(fresh);
        const ChildResult result =
            runBinaryWith({"-i1", c.one, "-i2", c.two, "-p", c.output}, options);
        if (c.message.empty()) {
            EXPECT_EQ(result.status, 0) << result.standardError;
            EXPECT_FALSE(readFile(fresh).empty());
            continue;
        }
        expectFailure(result, c.message);
        EXPECT_FALSE(fileExists(fresh));
        EXPECT_FALSE(fileExists(inReadonly));
        EXPECT_EQ(readFile(kept), "kept\n");
    }
}

// An output path that passes through a regular file, or that names a
// directory, cannot be created; the file on the way keeps its bytes.
TEST(FaultInjection, OutputPathThroughARegularFile) {
    const TempDir dir;
    const std::string plain = dir.write("plain.txt", "plain\n");
    const std::vector<std::string> destinations = {
        plain + "/out.txt",
        plain + "/",
        dir.file("sub/"),
    };
    for (const std::string& destination : destinations) {
        SCOPED_TRACE(destination);
        const ProcessResult result =
            runBinary({"-i1", sourcePath("examples/run1.lst"), "-i2",
                       sourcePath("examples/run2.lst"), "-p", destination});
        expectFailure(result, "Cannot create output file \"" + destination + "\"");
        EXPECT_EQ(readFile(plain), "plain\n");
        EXPECT_FALSE(fileExists(dir.file("sub")));
    }
}

// Standard output may be listing 2's own file, opened without truncating it
// ("-p - 1<>listing2.lst" in the shell). Listing 2 is read whole before the
// output is written, so the output must be the same as anywhere else, also
// when it is written in many blocks.
TEST(FaultInjection, StandardOutputOntoListing2) {
    const TempDir dir;
    const std::string one = sourcePath("examples/run1.lst");
    const std::string two = dir.write("two.lst", repeatedExample("run2.lst", std::size_t{4} << 20));
    const std::string reference = dir.file("reference.txt");
    ASSERT_EQ(runBinary({"-i1", one, "-i2", two, "-p", reference}).status, 0);
    ChildOptions options;
    options.standardOutputOnto = two;
    const ChildResult result = runBinaryWith({"-i1", one, "-i2", two, "-p", "-"}, options);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.standardError, "");
    const std::string expected = withoutTime(readTextFile(reference));
    const std::string written = withoutTime(readTextFile(two));
    ASSERT_EQ(written.size(), expected.size());
    const auto differ = std::mismatch(written.begin(), written.end(), expected.begin());
    EXPECT_TRUE(differ.first == written.end())
        << "the output differs from byte " << (differ.first - written.begin()) << " on";
}

// With too little address space to store listing 2, the run ends with the
// out-of-memory message, not with a crash. The limit is the least that
// lets the example pair run, plus half the size of the large listing: too
// little both to map that listing and to store a copy of it.
TEST(FaultInjection, OutOfMemoryIsReported) {
    if (kShadowSanitizer) {
        GTEST_SKIP() << "the sanitizer reserves far more address space than any useful limit";
    }
    const TempDir dir;
    const std::string one = sourcePath("examples/run1.lst");
    const auto runWithLimit = [&](const std::string& two, std::uint64_t limit) {
        ChildOptions options;
        options.addressSpaceLimit = limit;
        return runBinaryWith({"-i1", one, "-i2", two, "-p", dir.file("out.txt")}, options);
    };

    // The least limit, in whole MiB, under which the example pair runs.
    constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
    std::uint64_t low = 1;      // MiB that are too few
    std::uint64_t high = 2048;  // MiB that are enough
    ASSERT_EQ(runWithLimit(sourcePath("examples/run2.lst"), high * kMiB).status, 0);
    while (high - low > 1) {
        const std::uint64_t middle = (low + high) / 2;
        fs::remove(dir.file("out.txt"));
        if (runWithLimit(sourcePath("examples/run2.lst"), middle * kMiB).status == 0) {
            high = middle;
        } else {
            low = middle;
        }
    }
    const std::uint64_t baseline = high * kMiB;

    const std::string large =
        dir.write("large.lst", repeatedExample("run2.lst", std::size_t{48} << 20));
    const std::uint64_t size = fs::file_size(large);
    fs::remove(dir.file("out.txt"));
    const ChildResult starved = runWithLimit(large, baseline + size / 2);
    EXPECT_FALSE(starved.killedBySignal) << "signal " << starved.status - 128;
    expectFailure(starved, "Out of memory, malloc() failed");
    EXPECT_FALSE(fileExists(dir.file("out.txt")));

    // With room to spare the same run succeeds: the limit made the difference.
    const ChildResult fed = runWithLimit(large, baseline + 6 * size);
    EXPECT_EQ(fed.status, 0) << fed.standardError;
    EXPECT_GT(fs::file_size(dir.file("out.txt")), size / 2);
}

#if defined(KORVCMP_REPORT_BINARY)
// The names in `folder`, sorted.
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Where the system swaps two directories in one step, the report directory
// always holds a whole report; elsewhere a kill between moving the earlier
// report aside and putting the new one in place leaves none until the next run.
#if defined(__linux__) && !defined(KORVCMP_PORTABLE)
constexpr bool kReportSwappedInOneStep = true;
#else
constexpr bool kReportSwappedInOneStep = false;
#endif

// A korvcmp-report run killed on entry to a call that moves or removes its
// files, at each such call in turn: the report directory holds a whole
// report, the earlier or the new one, and the JSON and Markdown each their
// earlier or new bytes; the next run removes what the killed one left, and
// puts back an earlier report the killed one had moved aside.
TEST(FaultInjection, ReportKilledAtEachStepLeavesAWholeReport) {
    if (std::system("strace -f -o /dev/null true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "strace is not installed or may not trace here";
    }
    const TempDir dir;
    const std::string run1 = sourcePath("examples/run1.lst");
    const std::string run2 = sourcePath("examples/run2.lst");
    ChildOptions options;
    options.program = KORVCMP_REPORT_BINARY;
    options.workingDirectory = dir.path().string();
    const std::vector<std::string> earlierRun = {
        "-i1", run2, "-i2", run1, "--html", "report", "--json", "j.json", "--markdown", "m.md"};
    const std::vector<std::string> newRun = {"-i1",    run1,     "-i2",    run2,         "--html",
                                             "report", "--json", "j.json", "--markdown", "m.md"};
    ASSERT_EQ(runBinaryWith(newRun, options).status, 0);
    const std::vector<std::string> outputs = {"report/index.html", "report/.korvcmp-report",
                                              "j.json", "m.md"};
    std::vector<std::string> newBytes;
    for (const std::string& output : outputs) {
        newBytes.push_back(readFile(dir.file(output)));
    }
    ChildOptions traced = options;
    traced.program = "/usr/bin/env";
    for (const char* call : {"rename", "renameat2", "unlinkat", "mkdir", "openat"}) {
        for (int when = 1;; ++when) {
            SCOPED_TRACE(std::string(call) + " " + std::to_string(when));
            ASSERT_LT(when, 60);
            ASSERT_EQ(runBinaryWith(earlierRun, options).status, 0);
            std::vector<std::string> earlierBytes;
            for (const std::string& output : outputs) {
                earlierBytes.push_back(readFile(dir.file(output)));
            }
            // LeakSanitizer cannot work under a tracer: a sanitized build
            // is run without it here.
            std::vector<std::string> arguments = {
                "ASAN_OPTIONS=detect_leaks=0",
                "strace",
                "-f",
                "-o",
                "/dev/null",
                "-e",
                std::string("trace=") + call,
                "-e",
                std::string("inject=") + call + ":signal=SIGKILL:when=" + std::to_string(when),
                KORVCMP_REPORT_BINARY};
            arguments.insert(arguments.end(), newRun.begin(), newRun.end());
            const ChildResult killed = runBinaryWith(arguments, traced);
            const bool reportAside = !kReportSwappedInOneStep && !fileExists(dir.file("report"));
            for (std::size_t i = 0; i < outputs.size(); ++i) {
                SCOPED_TRACE(outputs[i]);
                const std::string bytes = readFile(dir.file(outputs[i]));
                EXPECT_TRUE(bytes == earlierBytes[i] || bytes == newBytes[i] ||
                            (reportAside && outputs[i].starts_with("report/")));
            }
            const ChildResult next = runBinaryWith(newRun, options);
            EXPECT_EQ(next.status, 0) << next.standardError;
            EXPECT_EQ(namesIn(dir.path().string()),
                      (std::vector<std::string>{"j.json", "m.md", "report"}));
            if (killed.status == 0) {
                break;  // the call came fewer than `when` times
            }
        }
    }
}

// Runs writing one report at the same time take turns: every one succeeds,
// and what is left is one whole report, the JSON and the Markdown.
TEST(FaultInjection, ReportRunsAtOnceTakeTurns) {
    const TempDir dir;
    ChildOptions options;
    options.program = KORVCMP_REPORT_BINARY;
    options.workingDirectory = dir.path().string();
    const std::vector<std::string> arguments = {"-i1",        sourcePath("examples/run1.lst"),
                                                "-i2",        sourcePath("examples/run2.lst"),
                                                "--html",     "report",
                                                "--json",     "j.json",
                                                "--markdown", "m.md"};
    std::vector<ChildResult> results(8);
    std::vector<std::thread> runs;
    for (ChildResult& result : results) {
        runs.emplace_back([&] { result = runBinaryWith(arguments, options); });
    }
    for (std::thread& run : runs) {
        run.join();
    }
    for (const ChildResult& result : results) {
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.standardError, "");
    }
    EXPECT_EQ(namesIn(dir.path().string()), (std::vector<std::string>{"j.json", "m.md", "report"}));
    EXPECT_TRUE(fileExists(dir.file("report/index.html")));
}
#endif

}  // namespace
}  // namespace korvcmp::testing
