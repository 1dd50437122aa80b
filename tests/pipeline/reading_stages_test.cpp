// Reading with the worker thread gives what reading on one thread gives: the
// same compared listing for sound listings, the same single message for
// damaged ones, with small batches so that many hand-overs happen and every
// section memory is used again.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/reading_stages.h"
#include "platform/system_memory.h"
#include "support/damaged_listings.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

struct Outcome {
    int status = 0;
    std::string errorOutput;
    std::string written;  // the compared listing, without its production time
};

class ReadingStages : public ::testing::Test {
  protected:
    Outcome run(const std::string& one, const std::string& two, bool withWorker,
                std::int64_t batchLines = 5) {
        RunOptions options;
        options.workerFromSize = withWorker ? 0 : INT64_MAX;
        options.workerBatchLines = batchLines;
        const std::string output = dir_.file("out.txt");
        std::filesystem::remove(output);
        const InProcessResult result =
            runInProcess({"-i1", one, "-i2", two, "-p", output}, options);
        Outcome outcome{result.status, result.errorOutput, ""};
        if (fileExists(output)) {
            outcome.written = withoutTime(readTextFile(output));
        }
        return outcome;
    }

    // Runs `variants` of listing `listing` against the other, intact example
    // both ways and expects the same outcome.
    void expectSameOutcomes(int listing, const std::vector<Variant>& variants) {
        const std::string intact =
            sourcePath(listing == 1 ? "examples/run2.lst" : "examples/run1.lst");
        const std::string damaged = dir_.file("damaged.lst");
        std::size_t failures = 0;
        for (std::size_t i = 0; i < variants.size(); ++i) {
            SCOPED_TRACE(variants[i].family + ", variant " + std::to_string(i));
            dir_.write("damaged.lst", variants[i].content);
            const std::string& one = listing == 1 ? damaged : intact;
            const std::string& two = listing == 2 ? damaged : intact;
            const Outcome alone = run(one, two, false);
            const Outcome withWorker = run(one, two, true, 1 + static_cast<std::int64_t>(i % 7));
            EXPECT_EQ(withWorker.status, alone.status);
            EXPECT_EQ(withWorker.errorOutput, alone.errorOutput);
            EXPECT_EQ(withWorker.written, alone.written);
            failures += alone.status != 0 ? 1 : 0;
        }
        // Not vacuous: most variants fail, in both listings.
        EXPECT_GT(failures * 2, variants.size());
    }

    TempDir dir_;
};

TEST_F(ReadingStages, SoundListingsGiveTheSameComparedListing) {
    const std::string one = sourcePath("examples/run1.lst");
    const std::string two = sourcePath("examples/run2.lst");
    const Outcome alone = run(one, two, false);
    ASSERT_EQ(alone.status, 0);
    for (const std::int64_t batchLines : {1, 2, 3, 10, 1000}) {
        const Outcome withWorker = run(one, two, true, batchLines);
        EXPECT_EQ(withWorker.status, 0) << withWorker.errorOutput;
        EXPECT_EQ(withWorker.written, alone.written) << "batches of " << batchLines;
    }
    // Listing 2 compared with itself: every section is paired.
    EXPECT_EQ(run(two, two, true).written, run(two, two, false).written);
}

// The observer hears of listing 1 once, after every section it has was
// compared and before the sections only listing 2 has, with and without the
// worker; the removed sections come with it.
TEST_F(ReadingStages, ObserverHearsOfListing1BetweenTheTwoKindsOfSections) {
    struct Recorder : SectionObserver {
        void listing1Read(const ProfileListing& /*listing1*/,
                          const std::vector<RemovedSection>& removed) override {
            events.push_back("listing 1 with " + std::to_string(removed.size()) + " removed");
        }
        void sectionCompared(const MonitoredFile* file1, const MonitoredFile& /*file2*/) override {
            events.emplace_back(file1 != nullptr ? "paired" : "alone");
        }
        std::vector<std::string> events;
    };
    const std::string one = sourcePath("examples/run1.lst");
    const std::string two = sourcePath("examples/run2.lst");
    for (const bool withWorker : {false, true}) {
        SCOPED_TRACE(withWorker ? "with the worker" : "alone");
        Recorder recorder;
        RunRequest request{{one.c_str(), two.c_str()}, {}, &recorder, true, false};
        request.options.workerFromSize = withWorker ? 0 : INT64_MAX;
        request.options.workerBatchLines = 2;
        RunState run(request, systemMemory());
        compareListings(run);
        const std::vector<std::string> expected = {
            "paired", "paired", "paired", "paired", "listing 1 with 1 removed", "alone"};
        EXPECT_EQ(recorder.events, expected);
    }
}

TEST_F(ReadingStages, DamagedListing1GivesTheSameMessage) {
    expectSameOutcomes(1, variantsOf(readFile(sourcePath("examples/run1.lst")), false));
}

TEST_F(ReadingStages, DamagedListing2GivesTheSameMessage) {
    expectSameOutcomes(2, variantsOf(readFile(sourcePath("examples/run2.lst")), false));
}

// A strange profile line, and after it a line that cannot be read: the
// strange line is met first, whether the unreadable line is in the same
// section, the same batch or a later one.
std::vector<Variant> strangeLineThenDamage(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start) + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    const auto joined = [&lines](std::size_t strange, std::size_t broken) {
        std::string result;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string line = lines[i];
            if (i == strange) {
                line.replace(30, line.size() - 31, "%% no such form");
            }
            if (i == broken) {
                line.insert(0, 1, '\0');
            }
            result += line;
        }
        return result;
    };
    std::vector<Variant> variants;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // Profile lines: a source line number in columns 24 to 29.
        if (lines[i].size() < 32 || lines[i].find_first_of("0123456789", 24) > 29) {
            continue;
        }
        for (const std::size_t distance : {1, 2, 5, 20, 60}) {
            if (i + distance < lines.size()) {
                variants.push_back({"strange line, NUL later", joined(i, i + distance), {}});
            }
        }
        variants.push_back({"strange line", joined(i, lines.size()), {}});
    }
    return variants;
}

TEST_F(ReadingStages, StrangeLineWinsOverLaterDamage) {
    for (const int listing : {1, 2}) {
        SCOPED_TRACE("listing " + std::to_string(listing));
        const std::vector<Variant> variants = strangeLineThenDamage(
            readFile(sourcePath(listing == 1 ? "examples/run1.lst" : "examples/run2.lst")));
        ASSERT_GT(variants.size(), 50U);
        expectSameOutcomes(listing, variants);
    }
}

}  // namespace
}  // namespace korvcmp::testing
