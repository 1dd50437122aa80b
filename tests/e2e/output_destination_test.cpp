// Complete runs of the korvcmp binary: where the compared listing goes
// (standard output or a file), failures to create or to write the file, and
// that an error in a listing leaves the destination alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

std::string listingHeader(const std::string& producedAt) {
    return std::string(77, '*') +
           "\n*           Korvo, Test Coverage Analyzer for C/C++, Version 8.2.1          *\n*" +
           std::string(75, ' ') +
           "*\n*                         EXECUTION PROFILE LISTING                         *\n" +
           std::string(77, '*') + "\n\nListing produced at   : " + producedAt +
           "\nCoverage view         : Decision+Condition coverage\n\n";
}

constexpr const char* kSummary =
    "SUMMARY\n=======\n\n"
    "Source files       :     1\nHeaders extracted  :     0\n"
    "Functions          :     2\nSource lines       :    40\n"
    "TER                :  50% (   1/   2)  Functions\n"
    "TER                :  50% (   1/   2)  Functions\n";

// A listing with one file section of function coverage, whose function f()
// is covered or not.
std::string listing(const std::string& producedAt, bool fCovered) {
    return listingHeader(producedAt) +
           "MONITORED SOURCE FILE : src/a.c\nINSTRUMENTATION MODE  : function\n\n"
           " HITS/TRUE      FALSE    LINE DESCRIPTION\n" +
           std::string(77, '=') + "\n\n" +
           (fCovered ? "         7                 14 FUNCTION f()\n"
                     : "         0            -    14 FUNCTION f()\n") +
           "         0            -    31 FUNCTION g()\n\n"
           "***TER  50% (   1/   2) of FILE src/a.c\n"
           "        50% (   1/   2) functions entered\n" +
           std::string(77, '-') + "\n\n\n\n" + kSummary;
}

class OutputDestination : public ::testing::Test {
  protected:
    void SetUp() override {
        one_ = dir_.write("one.lst", listing("Mon Mar  3 10:00:00 2025", false));
        two_ = dir_.write("two.lst", listing("Tue Mar  4 11:00:00 2025", true));
    }

    // The run into a file, as the reference for the other destinations.
    std::string reference() {
        const std::string path = dir_.file("reference.txt");
        const ProcessResult result = runBinary({"-i1", one_, "-i2", two_, "-p", path});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.standardError, "");
        EXPECT_EQ(result.standardOutput, "");
        return withoutTime(readTextFile(path));
    }

    TempDir dir_;
    std::string one_;
    std::string two_;
};

TEST_F(OutputDestination, DashAndStdoutMeanStandardOutput) {
    const std::string expected = reference();
    ASSERT_NE(expected.find("         7^"), std::string::npos);
    for (const std::string destination : {"-", "stdout"}) {
        SCOPED_TRACE(destination);
        const ProcessResult result =
            runBinary({"-i1", one_, "-i2", two_, "-p", destination}, dir_.path().string());
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.standardError, "");
        EXPECT_EQ(withoutTime(result.standardOutput), expected);
        EXPECT_FALSE(fileExists(dir_.file(destination)));
    }
}

TEST_F(OutputDestination, PathsThatOnlyContainStdoutAreFiles) {
    const std::string expected = reference();
    std::filesystem::create_directory(dir_.path() / "sub");
    for (const std::string destination : {"sub/stdout", "stdout.txt", "./stdout", "./-"}) {
        SCOPED_TRACE(destination);
        const ProcessResult result =
            runBinary({"-i1", one_, "-i2", two_, "-p", destination}, dir_.path().string());
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.standardError, "");
        EXPECT_EQ(result.standardOutput, "");
        EXPECT_EQ(withoutTime(readTextFile(dir_.file(destination))), expected);
    }
}

TEST_F(OutputDestination, OptionsInAnyOrder) {
    const std::string expected = reference();
    const std::string output = dir_.file("out.txt");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-p", output, "-i2", two_, "-i1", one_},
          std::vector<std::string>{"-i2", two_, "-p", output, "-i1", one_}}) {
        std::filesystem::remove(output);
        const ProcessResult result = runBinary(arguments);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.standardError, "");
        EXPECT_EQ(withoutTime(readTextFile(output)), expected);
    }
}

// The inputs are read whole before the output is created, so the output may
// replace either of them. It is written beside the input and renamed over it
// once complete: the replaced file keeps its permission bits (on Windows,
// which has no such bits, whatever it reports), a symbolic link to it stays
// a link, and nothing else is left in the directory.
TEST_F(OutputDestination, OutputMayReplaceAnInput) {
    namespace fs = std::filesystem;
    const std::string expected = reference();
    struct Case {
        const char* name;
        bool listing1;
        bool throughLink;
    };
    for (const Case& c : {Case{"listing 2", false, false}, Case{"listing 1", true, false},
                          Case{"listing 2 through a symbolic link", false, true}}) {
        SCOPED_TRACE(c.name);
        SetUp();
        const std::string& replaced = c.listing1 ? one_ : two_;
        fs::permissions(replaced,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        const fs::perms kept = fs::status(replaced).permissions() & fs::perms::all;
        const std::string link = dir_.file("link.lst");
        fs::remove(link);
        if (c.throughLink) {
            std::error_code error;
            fs::create_symlink(replaced, link, error);
#ifdef _WIN32
            if (error) {
                // Windows lets only privileged users make links, and Wine none.
                std::cout << "no symbolic link here: " << error.message() << "\n";
                continue;
            }
#endif
            ASSERT_FALSE(error) << error.message();
        }
        const ProcessResult result =
            runBinary({"-i1", one_, "-i2", two_, "-p", c.throughLink ? link : replaced});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.standardError, "");
        EXPECT_EQ(withoutTime(readTextFile(replaced)), expected);
        EXPECT_EQ(fs::status(replaced).permissions() & fs::perms::all, kept);
        EXPECT_EQ(fs::is_symlink(link), c.throughLink);
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            EXPECT_EQ(entry.path().filename().string().find("korvcmp"), std::string::npos)
                << entry.path();
        }
    }
}

TEST_F(OutputDestination, FailuresToCreateOrWriteTheOutput) {
    struct Case {
        std::string destination;
        std::string message;
    };
    const std::string missingDirectory = dir_.file("missing/out.txt");
    std::vector<Case> cases = {
        {missingDirectory, "Cannot create output file \"" + missingDirectory + "\""},
        {dir_.path().string(), "Cannot create output file \"" + dir_.path().string() + "\""},
    };
    if (fileExists("/dev/full")) {
        cases.push_back({"/dev/full", "Could not close output profile file"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination);
        const ProcessResult result = runBinary({"-i1", one_, "-i2", two_, "-p", c.destination});
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.standardError, "*** korvcmp error: " + c.message + "\n");
        EXPECT_EQ(result.standardOutput, "");
    }
    EXPECT_FALSE(fileExists(missingDirectory));
}

// An error in either listing comes before the output is opened: an existing
// output file keeps its bytes, a new one is not created, and nothing goes to
// standard output.
TEST_F(OutputDestination, ListingErrorsLeaveTheDestinationAlone) {
    std::string valid = listing("Tue Mar  4 11:00:00 2025", true);
    std::string badBanner = valid;
    badBanner.replace(badBanner.find("Korvo"), 5, "Corvo");
    const std::string noNewline = valid.substr(0, valid.size() - 1);
    const int lines = static_cast<int>(std::count(valid.begin(), valid.end(), '\n'));
    const std::string good = dir_.write("good.lst", valid);
    const std::string bad = dir_.write("bad.lst", badBanner);
    const std::string empty = dir_.write("empty.lst", "");
    const std::string cut = dir_.write("cut.lst", noNewline);
    const std::string trailing = dir_.write("trailing.lst", valid + "\n");
    const std::string missing = dir_.file("missing.lst");

    struct Case {
        std::string one;
        std::string two;
        std::string message;
    };
    const std::vector<Case> cases = {
        {good, missing, "Cannot open file \"" + missing + "\""},
        {missing, good, "Cannot open file \"" + missing + "\""},
        {good, bad,
         "Input does not look like a valid korvrpt-generated execution profile listing, file: \"" +
             bad + "\" near/before line 2"},
        {empty, good, "Read error of file " + empty + ", near line 0"},
        {good, cut, "Read error of file " + cut + ", near line " + std::to_string(lines)},
        {good, trailing,
         "Something wrong in file \"" + trailing + "\" end summary, near line " +
             std::to_string(lines + 1)},
    };
    for (const Case& c : cases) {
        for (const std::string destination : {"existing.txt", "new.txt", "-"}) {
            SCOPED_TRACE(c.message + " -> " + destination);
            dir_.write("existing.txt", "kept\n");
            const ProcessResult result =
                runBinary({"-i1", c.one, "-i2", c.two, "-p", destination}, dir_.path().string());
            EXPECT_EQ(result.status, 255);
            EXPECT_EQ(result.standardError, "*** korvcmp error: " + c.message + "\n");
            EXPECT_EQ(result.standardOutput, "");
            EXPECT_EQ(readFile(dir_.file("existing.txt")), "kept\n");
            EXPECT_FALSE(fileExists(dir_.file("new.txt")));
        }
    }
}

}  // namespace
}  // namespace korvcmp::testing
