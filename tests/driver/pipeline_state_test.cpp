// Runs of the whole pipeline one after another in this process: each run
// starts from fresh state, whatever the run before it read or where it failed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

// One function-coverage file section: its source file and the hit counts of
// its functions f0, f1, ...
struct Section {
    std::string file;
    std::vector<int> hits;
};

std::string listing(const std::vector<Section>& sections) {
    std::string text = std::string(77, '*') +
                       "\n*           Korvo, Test Coverage Analyzer for C/C++, Version 8.2.1"
                       "          *\n*" +
                       std::string(75, ' ') +
                       "*\n*                         EXECUTION PROFILE LISTING"
                       "                         *\n" +
                       std::string(77, '*') +
                       "\n\nListing produced at   : Mon Mar  3 10:00:00 2025\n"
                       "Coverage view         : Decision+Condition coverage\n\n";
    for (const Section& section : sections) {
        text += "MONITORED SOURCE FILE : " + section.file +
                "\nINSTRUMENTATION MODE  : function\n\n"
                " HITS/TRUE      FALSE    LINE DESCRIPTION\n" +
                std::string(77, '=') + "\n\n";
        for (std::size_t i = 0; i < section.hits.size(); ++i) {
            const std::string hits = std::to_string(section.hits[i]);
            text += std::string(10 - hits.size(), ' ') + hits +
                    (section.hits[i] == 0 ? "            -    " : "                 ") +
                    std::to_string(10 + i) + " FUNCTION f" + std::to_string(i) + "()\n";
        }
        text += "\n***TER  50% (   1/   2) of FILE " + section.file +
                "\n        50% (   1/   2) functions entered\n" + std::string(77, '-') + "\n\n\n\n";
    }
    return text +
           "SUMMARY\n=======\n\n"
           "Source files       :     1\nHeaders extracted  :     0\n"
           "Functions          :     2\nSource lines       :    40\n"
           "TER                :  50% (   1/   2)  Functions\n"
           "TER                :  50% (   1/   2)  Functions\n";
}

std::string crlf(const std::string& text) {
    std::string converted;
    for (const char c : text) {
        if (c == '\n') {
            converted += '\r';
        }
        converted += c;
    }
    return converted;
}

class PipelineState : public ::testing::Test {
  protected:
    // Runs korvcmp in this process; returns the compared listing.
    std::string run(const std::string& one, const std::string& two) {
        const std::string output = dir_.file("out" + std::to_string(++runs_) + ".txt");
        const InProcessResult result = runInProcess({"-i1", one, "-i2", two, "-p", output});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.errorOutput, "");
        return withoutTime(readTextFile(output));
    }

    // Runs korvcmp in this process expecting an error; returns what it reports.
    std::string runFailing(const std::string& one, const std::string& two) {
        const std::string output = dir_.file("failed.txt");
        const InProcessResult result = runInProcess({"-i1", one, "-i2", two, "-p", output});
        EXPECT_EQ(result.status, -1);
        EXPECT_FALSE(fileExists(output));
        return result.errorOutput;
    }

    TempDir dir_;
    int runs_ = 0;
};

TEST_F(PipelineState, RunsAreIndependent) {
    // Pair A: a.c gains coverage of f0.
    const std::string a1 = dir_.write("a1.lst", listing({{"a.c", {0, 0}}}));
    const std::string a2 = dir_.write("a2.lst", listing({{"a.c", {3, 0}}}));
    // Pair B: b.c is unchanged. Listing 1 also has a malformed a.c, which is
    // skipped unread as long as it does not meet the a.c of pair A's listing 2.
    std::string b1Text = listing({{"a.c", {0, 0}}, {"b.c", {5, 0}}});
    b1Text.replace(b1Text.find("INSTRUMENTATION MODE  : "), 24, "INSTRUMENTATION MODE: ");
    const std::string b1 = dir_.write("b1.lst", b1Text);
    const std::string b2 = dir_.write("b2.lst", listing({{"b.c", {5, 0}}}));
    // Listing 1 with a bad banner: the error names line 2 of that file, so
    // the counter starts again after listing 2 was read.
    std::string badText = listing({});
    badText.replace(badText.find("Korvo"), 5, "Corvo");
    const std::string bad = dir_.write("bad.lst", badText);
    const std::string badReport =
        "*** korvcmp error: Input does not look like a valid korvrpt-generated execution "
        "profile listing, file: \"" +
        bad + "\" near/before line 2\n";

    const std::string firstA = run(a1, a2);
    EXPECT_EQ(runFailing(bad, b2), badReport);
    const std::string firstB = run(b1, b2);
    EXPECT_EQ(runFailing(bad, a2), badReport);
    EXPECT_EQ(run(a1, a2), firstA);
    EXPECT_EQ(run(b1, b2), firstB);

    EXPECT_NE(firstA.find("         3^                10 FUNCTION f0()"), std::string::npos);
    EXPECT_NE(firstA.find("TER                :  50% ([0 + 1 - 0]"), std::string::npos);
    EXPECT_EQ(firstB.find("a.c"), std::string::npos);
    EXPECT_NE(firstB.find("         5                 10 FUNCTION f0()"), std::string::npos);
    EXPECT_NE(firstB.find("TER                :  50% ([1 + 0 - 0]"), std::string::npos);
}

// A carriage return before each newline is dropped: CR LF listings compare
// exactly like the same listings with LF line ends.
TEST_F(PipelineState, CrLfListingsCompareLikeLfListings) {
    const std::string one = listing({{"a.c", {4, 0, 2}}});
    const std::string two = listing({{"a.c", {0, 6, 2}}});
    const std::string path1 = dir_.write("one.lst", one);
    const std::string path2 = dir_.write("two.lst", two);
    const std::string lf = run(path1, path2);
    EXPECT_NE(lf.find("[2 + 1 - 1]"), std::string::npos);
    dir_.write("one.lst", crlf(one));
    dir_.write("two.lst", crlf(two));
    EXPECT_EQ(run(path1, path2), lf);
}

}  // namespace
}  // namespace korvcmp::testing
