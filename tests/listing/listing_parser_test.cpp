// The listing grammar: every message the reader gives for a listing that does
// not fit, with the path and line it names; function-only sections, "#line "
// lines, rule lengths, what listing 1 skips or leaves unread; the records a
// successful read builds; and junk input that must end in a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "listing/listing_parser.h"
#include "platform/system_memory.h"
#include "support/listing_builder.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

using namespace std::string_literals;

const std::string kErrorPrefix = "*** korvcmp error: ";

std::string headerMessage(const std::string& path, int line) {
    return kErrorPrefix +
           "Input does not look like a valid korvrpt-generated execution profile listing, "
           "file: \"" +
           path + "\" near/before line " + std::to_string(line) + "\n";
}

std::string problemMessage(const std::string& path, int line) {
    return kErrorPrefix + "Problem in input \"" + path + "\" near line " + std::to_string(line) +
           "\n";
}

std::string summaryMessage(const std::string& path, int line) {
    return kErrorPrefix + "Something wrong in file \"" + path + "\" end summary, near line " +
           std::to_string(line) + "\n";
}

std::string readErrorMessage(const std::string& path, int line) {
    return kErrorPrefix + "Read error of file " + path + ", near line " + std::to_string(line) +
           "\n";
}

// The first `count` lines of `text`, with their newlines.
std::string firstLines(const std::string& text, int count) {
    std::size_t end = 0;
    for (int i = 0; i < count; ++i) {
        end = text.find('\n', end) + 1;
    }
    return text.substr(0, end);
}

// One file section "src/a.c" with an include and a function of two lines.
ListingLayout baseLayout() {
    ListingLayout layout;
    FileLayout file;
    file.includes = {"#include \"a.h\""};
    file.functions = {function("f", {profileLine("1", "", ' ', "12", "return 0")})};
    layout.files = {file};
    return layout;
}

const std::string kBase = render(baseLayout());
const int kMonitoredAt = lineOf(kBase, "MONITORED ");
const int kSummaryAt = lineOf(kBase, "SUMMARY");

class ListingParser : public ::testing::Test {
  protected:
    InProcessResult run(const std::string& listing1, const std::string& listing2) {
        dir_.write("one.lst", listing1);
        dir_.write("two.lst", listing2);
        return runInProcess({"-i1", path1_, "-i2", path2_, "-p", out_});
    }

    void expectSuccess(const std::string& listing1, const std::string& listing2) {
        const InProcessResult result = run(listing1, listing2);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.errorOutput, "");
        EXPECT_TRUE(fileExists(out_));
        std::filesystem::remove(out_);
    }

    void expectFailure(const std::string& listing1, const std::string& listing2,
                       const std::string& report) {
        const InProcessResult result = run(listing1, listing2);
        EXPECT_EQ(result.status, -1);
        EXPECT_EQ(result.errorOutput, report);
        EXPECT_FALSE(fileExists(out_));
    }

    // A failed run that reports one message about the listing at `path`, or a
    // strange profile line, and creates no output.
    void expectSomeFailure(const InProcessResult& result, const std::string& path) {
        EXPECT_EQ(result.status, -1);
        const std::string& report = result.errorOutput;
        ASSERT_GT(report.size(), kErrorPrefix.size());
        EXPECT_EQ(report.rfind(kErrorPrefix, 0), 0U) << report;
        EXPECT_EQ(report.back(), '\n');
        EXPECT_TRUE(report.find(path) != std::string::npos ||
                    report.rfind(kErrorPrefix + "Strange profile listing line: ", 0) == 0)
            << report;
        EXPECT_FALSE(fileExists(out_));
    }

    TempDir dir_;
    const std::string path1_ = dir_.file("one.lst");
    const std::string path2_ = dir_.file("two.lst");
    const std::string out_ = dir_.file("out.lst");
};

// ---------------------------------------------------------------- header

TEST_F(ListingParser, HeaderFailures) {
    struct Case {
        const char* name;
        std::string text;
        int line;
    };
    ListingLayout badBanner = baseLayout();
    badBanner.header.banner = "*          Korvo, Test Coverage Analyzer for C/C++, Version 8.2.1";
    ListingLayout noTime = baseLayout();
    noTime.header.producedAt.reset();
    ListingLayout noViewNoFiles;
    noViewNoFiles.header.coverageView.reset();
    ListingLayout shortLabel = baseLayout();
    shortLabel.header.producedAt.reset();
    shortLabel.header.extraLines = {"Listing produced at  : Wed Mar  5 16:48:02 2025"};
    const Case cases[] = {
        {"banner", render(badBanner), 2},
        {"title with a trailing blank",
         replaceLine(
             kBase, 4,
             "*                         EXECUTION PROFILE LISTING                         * "s),
         4},
        {"no production time", render(noTime), lineOf(render(noTime), "MONITORED ")},
        {"no coverage view, no files", render(noViewNoFiles),
         lineOf(render(noViewNoFiles), "SUMMARY")},
        {"capture label one blank short", render(shortLabel),
         lineOf(render(shortLabel), "MONITORED ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectFailure(kBase, c.text, headerMessage(path2_, c.line));
        expectFailure(c.text, kBase, headerMessage(path1_, c.line));
    }
}

TEST_F(ListingParser, CannotOpen) {
    const std::string missing = dir_.file("missing.lst");
    const std::string good = dir_.write("good.lst", kBase);
    InProcessResult result = runInProcess({"-i1", good, "-i2", missing, "-p", out_});
    EXPECT_EQ(result.errorOutput, kErrorPrefix + "Cannot open file \"" + missing + "\"\n");
    result = runInProcess({"-i1", missing, "-i2", good, "-p", out_});
    EXPECT_EQ(result.status, -1);
    EXPECT_EQ(result.errorOutput, kErrorPrefix + "Cannot open file \"" + missing + "\"\n");
    EXPECT_FALSE(fileExists(out_));
}

TEST_F(ListingParser, Listing2IsReadFirstSoItsErrorWins) {
    const std::string badHeader = replaceLine(kBase, 4, "*");
    const std::string badSection = replaceLine(kBase, kMonitoredAt + 3, "x");
    const InProcessResult result = runInProcess(
        {"-i1", dir_.file("missing.lst"), "-i2", dir_.write("two.lst", badHeader), "-p", out_});
    EXPECT_EQ(result.errorOutput, headerMessage(path2_, 4));
    expectFailure(badSection, badHeader, headerMessage(path2_, 4));
    expectFailure(badHeader, badSection, problemMessage(path2_, kMonitoredAt + 3));
    expectFailure(badSection, replaceLine(kBase, kMonitoredAt + 5, "x"),
                  problemMessage(path2_, kMonitoredAt + 5));
}

// ---------------------------------------------------------------- sections

// Each checked line of a file or function section, replaced by a line that
// does not fit, fails at its own number in either listing. Offsets count from
// the MONITORED line of kBase.
TEST_F(ListingParser, SectionStepFailures) {
    struct Case {
        const char* step;
        int offset;
        std::string line;
    };
    const Case cases[] = {
        {"F2 mode label", 1, "INSTRUMENTATION MODE : MC/DC"},
        {"F3 empty", 2, " "},
        {"F4 heading with trailing blank", 3, " HITS/TRUE      FALSE    LINE DESCRIPTION "},
        {"F4 heading without leading blank", 3, "HITS/TRUE      FALSE    LINE DESCRIPTION"},
        {"F5 23 equals signs", 4, std::string(23, '=')},
        {"F6 empty", 5, "x"},
        {"F9 after the includes", 6, "#include<stdio.h>"},
        {"U3 TER", 10, "**TER"},
        {"U5 20 hyphens", 12, std::string(20, '-')},
        {"U6 empty", 13, " "},
        {"F9 after the functions", 14, "x"},
        {"F10 TER", 15, "TER"},
        {"F12 21 hyphens", 17, std::string(21, '-')},
        {"F12 22 hyphens", 17, std::string(22, '-')},
        {"F13 empty", 18, "x"},
        {"F14 empty", 19, " "},
        {"F15 empty", 20, "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        const int line = kMonitoredAt + c.offset;
        const std::string bad = replaceLine(kBase, line, c.line);
        expectFailure(kBase, bad, problemMessage(path2_, line));
        expectFailure(bad, kBase, problemMessage(path1_, line));
    }
}

TEST_F(ListingParser, RuleLengthsAndUncheckedLines) {
    // Function rule of 21 and file rule of 23 hyphens pass; the TER lines'
    // second lines and the line after the file section are not looked at.
    std::string text = replaceLine(kBase, kMonitoredAt + 12, std::string(21, '-'));
    text = replaceLine(text, kMonitoredAt + 17, std::string(23, '-'));
    text = replaceLine(text, kMonitoredAt + 11, "");
    text = replaceLine(text, kMonitoredAt + 16, "***TER");
    expectSuccess(text, text);
    // No includes, no functions.
    ListingLayout bare = baseLayout();
    bare.files[0].includes.clear();
    bare.files[0].functions.clear();
    expectSuccess(render(bare), render(bare));
}

TEST_F(ListingParser, FunctionLineNeedsFortyCharacters) {
    ListingLayout layout = baseLayout();
    layout.files[0].functions[0].lines[0] = profileLine("1", "", ' ', "10", "FUNCTION x");
    expectSuccess(render(layout), render(layout));
    // 39 characters: the function group ends there and the line fails F9.
    layout.files[0].functions[0].lines[0] = profileLine("1", "", ' ', "10", "FUNCTION ");
    const std::string text = render(layout);
    expectFailure(kBase, text, problemMessage(path2_, lineOf(text, "FUNCTION ")));
    // "FUNCTION " one column to the right is no FUNCTION line either.
    layout.files[0].functions[0].lines[0] = profileLine("1", "", ' ', "10", " FUNCTION f()");
    const std::string shifted = render(layout);
    expectFailure(kBase, shifted, problemMessage(path2_, lineOf(shifted, "FUNCTION ")));
}

TEST_F(ListingParser, LineDirectives) {
    // A directive followed by the empty line that ends the functions is
    // consumed and dropped.
    ListingLayout dropped = baseLayout();
    FunctionLayout directiveOnly;
    directiveOnly.withTer = false;
    directiveOnly.lineDirective = lineDirective("#line 40 \"src/a.c\"");
    dropped.files[0].functions.push_back(directiveOnly);
    expectSuccess(render(dropped), render(dropped));

    struct Case {
        const char* name;
        std::vector<std::string> lines;  // inserted after the includes
        int failing;                     // index of the line that fails F9
    };
    const Case cases[] = {
        {"directive before a non-FUNCTION line",
         {lineDirective("#line 1 \"a.c\""), profileLine("1", "", ' ', "3", "return 0")},
         1},
        {"two directives", {lineDirective("#line 1 \"a.c\""), lineDirective("#line 2 \"a.c\"")}, 1},
        {"directive in column 31", {" " + lineDirective("#line 1 \"a.c\"")}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListingLayout layout = baseLayout();
        layout.files[0].includes.insert(layout.files[0].includes.end(), c.lines.begin(),
                                        c.lines.end());
        const std::string text = render(layout);
        expectFailure(kBase, text, problemMessage(path2_, kMonitoredAt + 7 + c.failing));
    }
}

TEST_F(ListingParser, FunctionOnlySections) {
    struct Case {
        const char* name;
        const char* mode;
        const char* view;
    };
    const Case cases[] = {
        {"mode function", "function", "Decision+Condition coverage"},
        {"mode functiXYZ", "functiXYZ", "Decision+Condition coverage"},
        {"view reduced to function coverage", "MC/DC", "Reduced to function coverage"},
        {"view with more text", "MC/DC", "Reduced to function coverage of all files"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListingLayout layout;
        layout.header.coverageView = c.view;
        FileLayout file;
        file.mode = c.mode;
        FunctionLayout withDirective = functionOnly("g", "0");
        withDirective.lineDirective = lineDirective("#line 1 \"src/g.inc\"");
        file.functions = {functionOnly("f"), withDirective, functionOnly("h")};
        layout.files = {file};
        const std::string text = render(layout);
        expectSuccess(text, text);
        // A TER line right after a FUNCTION line fails F9.
        const int functionAt = lineOf(text, "FUNCTION h()");
        const std::string withTer = replaceLine(text, functionAt,
                                                profileLine("1", "", ' ', "10", "FUNCTION h()") +
                                                    "\n***TER 100% (   1/   1) of FUNCTION h()");
        expectFailure(text, withTer, problemMessage(path2_, functionAt + 1));
    }
}

// ---------------------------------------------------------------- summary

TEST_F(ListingParser, SummaryFailures) {
    struct Case {
        int offset;  // from the SUMMARY line
        std::string line;
    };
    const Case cases[] = {
        {1, "========"},
        {1, "======"},
        {2, " "},
        {3, "Source files      : 1"},
        {4, "Headers extracted : 0"},
        {5, "Functions         : 1"},
        {6, "source lines       :    40"},
        {7, "TER               : 100%"},
        {8, "Source lines       :    40"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const int line = kSummaryAt + c.offset;
        expectFailure(kBase, replaceLine(kBase, line, c.line), summaryMessage(path2_, line));
    }
    // A whole line after the second TER line, even an empty one.
    expectFailure(kBase, kBase + "x\n", summaryMessage(path2_, kSummaryAt + 9));
    expectFailure(kBase, kBase + "\n", summaryMessage(path2_, kSummaryAt + 9));
    // The second TER line must end with a newline.
    expectFailure(kBase, kBase.substr(0, kBase.size() - 1),
                  readErrorMessage(path2_, kSummaryAt + 8));
}

TEST_F(ListingParser, SummaryAcceptances) {
    // Text without newline after the summary.
    expectSuccess(kBase, kBase + "x");
    // Any line that is no MONITORED line stands in for SUMMARY after the files.
    expectSuccess(kBase, replaceLine(kBase, kSummaryAt, "The end"));
    // No file sections: the header stops at the SUMMARY line.
    const std::string empty = render(ListingLayout{});
    expectSuccess(empty, empty);
    expectSuccess(kBase, empty);
}

// ---------------------------------------------------------------- listing 1

TEST_F(ListingParser, Listing1SkipsUnpairedSectionsUnread) {
    // "src/a.c " (trailing blank) is not listing 2's "src/a.c": its malformed
    // section is skipped, and the paired one after it is read.
    ListingLayout layout = baseLayout();
    FileLayout other = layout.files[0];
    other.name = "src/a.c ";
    layout.files.insert(layout.files.begin(), other);
    std::string text = render(layout);
    const int otherAt = lineOf(text, "MONITORED ");
    text = replaceLine(text, otherAt + 1, "garbage");
    text = replaceLine(text, otherAt + 7, "\x01\x02 junk");
    expectSuccess(text, kBase);
    // Its summary is never looked at either.
    const std::string summaryLess =
        text.substr(0, text.find("SUMMARY")) + "SUMMARY of nothing\n===";
    expectSuccess(summaryLess, kBase);
    expectSuccess(text.substr(0, text.find("SUMMARY")) + "SUMMARY\n", kBase);
}

TEST_F(ListingParser, Listing1EndsWrongly) {
    // After a paired section, neither MONITORED nor SUMMARY.
    expectFailure(replaceLine(kBase, kSummaryAt, "SUMMAR"), kBase,
                  kErrorPrefix + "Input file " + path1_ + " end looks erroneous, near line " +
                      std::to_string(kSummaryAt) + "\n");
    // A skipped section reaching the end of the file, a line without newline,
    // a line too long or a NUL byte: the read error without a comma.
    ListingLayout layout = baseLayout();
    layout.files[0].name = "src/other.c";
    const std::string sections = render(layout).substr(0, render(layout).find("SUMMARY"));
    const int afterSections = lineOf(sections + "@", "@");
    struct Case {
        const char* name;
        std::string text;
        int line;
    };
    const Case cases[] = {
        {"end of file", sections, afterSections - 1},
        {"no newline", sections + "SUMMARY", afterSections},
        {"long line", sections + std::string(10000, 'x') + "\nSUMMARY\n", afterSections},
        {"NUL byte", sections + "ab\0c\nSUMMARY\n"s, afterSections},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectFailure(c.text, kBase,
                      kErrorPrefix + "Read error of file " + path1_ + " near line " +
                          std::to_string(c.line) + "\n");
    }
}

// ---------------------------------------------------------------- read errors

TEST_F(ListingParser, TruncatedListingsAreReadErrors) {
    // Cut after whole line n: the read error names n; with part of the next
    // line left, it names that line.
    const int cuts[] = {0,
                        1,
                        3,
                        kMonitoredAt - 2,
                        kMonitoredAt - 1,
                        kMonitoredAt,
                        kMonitoredAt + 5,
                        kMonitoredAt + 8,
                        kMonitoredAt + 11,
                        kMonitoredAt + 16,
                        kMonitoredAt + 20,
                        kSummaryAt + 4};
    for (const int cut : cuts) {
        SCOPED_TRACE("cut after line " + std::to_string(cut));
        const std::string whole = firstLines(kBase, cut);
        const std::string partial = whole + "xyz";
        expectFailure(kBase, whole, readErrorMessage(path2_, cut));
        expectFailure(kBase, partial, readErrorMessage(path2_, cut + 1));
        if (cut < kSummaryAt) {
            expectFailure(whole, kBase, readErrorMessage(path1_, cut));
            expectFailure(partial, kBase, readErrorMessage(path1_, cut + 1));
        }
    }
}

// Junk never crashes or hangs the reader: it ends in one of its messages.
TEST_F(ListingParser, JunkEndsInAMessage) {
    // NUL bytes and a 10000-character line where a line must come.
    const int profileAt = lineOf(kBase, "return 0");
    const struct {
        std::string text;
        int line;
    } reads[] = {
        {"\0\0\0\n"s + kBase, 1},
        {replaceLine(kBase, profileAt, "     1 \0   12 return 0"s), profileAt},
        {replaceLine(kBase, kMonitoredAt - 2, std::string(10000, 'y')), kMonitoredAt - 2},
        {replaceLine(kBase, profileAt, profileLine("1", "", ' ', "12", std::string(9970, 'z'))),
         profileAt},
    };
    for (const auto& c : reads) {
        expectFailure(kBase, c.text, readErrorMessage(path2_, c.line));
    }

    // Random bytes, and a valid listing with random damage.
    std::mt19937 random(20250305);
    auto byte = [&random] { return static_cast<char>(random() % 256); };
    std::string noise(5000, '\0');
    std::generate(noise.begin(), noise.end(), byte);
    expectSomeFailure(run(kBase, noise), path2_);
    expectSomeFailure(run(noise, kBase), path1_);
    for (int round = 0; round < 300; ++round) {
        std::string damaged = kBase;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < edits; ++i) {
            const std::size_t at = random() % damaged.size();
            switch (random() % 4) {
                case 0:
                    damaged[at] = byte();
                    break;
                case 1:
                    damaged.insert(at, std::string(1 + random() % 40, byte()));
                    break;
                case 2:
                    damaged.erase(at, 1 + random() % 40);
                    break;
                default:
                    damaged.resize(at);
                    break;
            }
            if (damaged.empty()) {
                break;
            }
        }
        SCOPED_TRACE("round " + std::to_string(round));
        const bool asListing2 = round % 2 == 0;
        const InProcessResult result = asListing2 ? run(kBase, damaged) : run(damaged, kBase);
        if (result.status == 0) {
            EXPECT_EQ(result.errorOutput, "");
            std::filesystem::remove(out_);
        } else {
            expectSomeFailure(result, asListing2 ? path2_ : path1_);
        }
    }
}

// ---------------------------------------------------------------- records

// Reads the two listings with the reader alone, so that listing 1's records
// stay for inspection.
class ParsedListings : public ::testing::Test {
  protected:
    // What the reader built, and the memory and readers it lives in.
    struct Parsed {
        Arena arena{systemMemory()};
        LineStore lineStore{systemMemory()};
        LineReader reader1;
        LineReader reader2;
        ProfileListing listing1{};
        ProfileListing listing2{};
        FilesByMonitoredLine listing2Files;
    };

    void read(const std::string& listing1, const std::string& listing2) {
        parsed_ = std::make_unique<Parsed>();
        path1_ = dir_.write("one.lst", listing1);
        path2_ = dir_.write("two.lst", listing2);
        const ListingStorage storage{&parsed_->arena, &parsed_->lineStore};
        korvcmp::ListingParser parser2(parsed_->reader2, parsed_->listing2, parsed_->listing2,
                                       storage);
        parser2.openListing(path2_.c_str(), true);
        parser2.parseListing2Files(parsed_->listing2Files);
        parser2.parseListing2Summary();
        korvcmp::ListingParser parser1(parsed_->reader1, parsed_->listing1, parsed_->listing2,
                                       storage);
        parser1.openListing(path1_.c_str(), false);
        parser1.parseListing1Files(parsed_->listing2Files);
    }

    static std::vector<std::string> texts(const ListingLine* line) {
        std::vector<std::string> out;
        for (; line != nullptr; line = line->next()) {
            out.emplace_back(line->view());
        }
        return out;
    }

    static std::vector<std::string> fileNames(const ProfileListing& listing) {
        std::vector<std::string> out;
        for (const MonitoredFile* file = listing.firstFile; file != nullptr; file = file->next) {
            out.emplace_back(file->monitoredLine);
        }
        return out;
    }

    TempDir dir_;
    std::string path1_;
    std::string path2_;
    std::unique_ptr<Parsed> parsed_;
};

TEST_F(ParsedListings, Listing2Records) {
    ListingLayout layout;
    layout.header.extraLines = {"Listing produced at   : later", "Coverage view         : "};
    FileLayout a;
    a.includes = {"#include <stdio.h>", "#include \"a.h\""};
    FunctionLayout f =
        function("f", {profileLine("2", "1", ' ', "12", "if (x)"),
                       profileLine("", "", ' ', "13", "else"), lineDirective("#line 3 \"a.c\"")});
    f.lineDirective = lineDirective("#line 9 \"src/a.c\"");
    f.terLine2 = "second of f";
    a.functions = {f, function("g")};
    a.terLine = "***TER of a";
    a.terLine2 = "";
    FileLayout b;
    b.name = "src/b.c";
    layout.files = {a, b};
    read(render(layout), render(layout));

    const ProfileListing& listing = parsed_->listing2;
    EXPECT_STREQ(listing.producedAt, "later");
    EXPECT_STREQ(listing.coverageView, "");
    EXPECT_EQ(fileNames(listing),
              (std::vector<std::string>{monitoredLine("src/a.c"), monitoredLine("src/b.c")}));
    const MonitoredFile& fileA = *listing.firstFile;
    EXPECT_STREQ(fileA.modeLine, "INSTRUMENTATION MODE  : MC/DC");
    EXPECT_EQ(fileA.comparable, 0);
    EXPECT_EQ(fileA.reason, nullptr);
    EXPECT_EQ(texts(fileA.firstInclude), a.includes);
    EXPECT_EQ(fileA.lastInclude->view(), a.includes.back());
    EXPECT_STREQ(fileA.terLine, "***TER of a");
    EXPECT_STREQ(fileA.terLine2, "");

    const FunctionBlock& blockF = *fileA.firstFunction;
    ASSERT_NE(blockF.lineDirective, nullptr);
    EXPECT_EQ(blockF.lineDirective->view(), *f.lineDirective);
    EXPECT_EQ(texts(blockF.firstLine), f.lines);
    EXPECT_EQ(blockF.lastLine->view(), f.lines.back());
    std::vector<int> kinds;
    std::vector<int> lineNumbers;
    for (const ListingLine* line = blockF.firstLine; line != nullptr; line = line->next()) {
        kinds.push_back(line->lineKind());
        lineNumbers.push_back(static_cast<int>(line->lineNumber));
    }
    EXPECT_EQ(kinds, (std::vector<int>{LK_HITS, LK_DECISION, LK_PLAIN, LK_PLAIN}));
    EXPECT_EQ(lineNumbers, (std::vector<int>{10, 12, 13, 0}));
    EXPECT_STREQ(blockF.terLine, "***TER 100% (   1/   1) of FUNCTION f()");
    EXPECT_STREQ(blockF.terLine2, "second of f");
    const FunctionBlock& blockG = *blockF.next;
    EXPECT_EQ(&blockG, fileA.lastFunction);
    EXPECT_EQ(blockG.lineDirective, nullptr);
    EXPECT_EQ(blockG.firstLine, blockG.lastLine);
    EXPECT_EQ(blockG.next, nullptr);

    const MonitoredFile& fileB = *fileA.next;
    EXPECT_EQ(&fileB, listing.lastFile);
    EXPECT_EQ(fileB.firstInclude, nullptr);
    EXPECT_EQ(fileB.lastInclude, nullptr);
    EXPECT_EQ(fileB.firstFunction, nullptr);
    EXPECT_EQ(fileB.lastFunction, nullptr);
    EXPECT_EQ(fileB.next, nullptr);

    const std::vector<std::string> summary = standardSummary();
    const std::vector<const char*> stored = {listing.sourceFilesLine, listing.headersExtractedLine,
                                             listing.functionsLine,   listing.sourceLinesLine,
                                             listing.terLine,         listing.terLine2};
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(stored[i], summary[i + 3]);
    }
}

TEST_F(ParsedListings, Listing1HoldsOnlyPairedSectionsInItsOrder) {
    auto withFiles = [](const std::vector<std::string>& names) {
        ListingLayout layout;
        for (const std::string& name : names) {
            FileLayout file;
            file.name = name;
            file.functions = {function("f_" + name)};
            layout.files.push_back(file);
        }
        return render(layout);
    };
    read(withFiles({"c.c", "x.c", "a.c", "y.c"}), withFiles({"a.c", "b.c", "c.c"}));
    const ProfileListing& listing1 = parsed_->listing1;
    EXPECT_EQ(fileNames(listing1),
              (std::vector<std::string>{monitoredLine("c.c"), monitoredLine("a.c")}));
    EXPECT_EQ(texts(listing1.firstFile->firstFunction->firstLine).front(),
              profileLine("1", "", ' ', "10", "FUNCTION f_c.c()"));
    EXPECT_EQ(listing1.sourceFilesLine, nullptr);
    EXPECT_EQ(listing1.terLine, nullptr);
    EXPECT_EQ(listing1.terLine2, nullptr);

    read(withFiles({"x.c"}), withFiles({"a.c"}));
    EXPECT_EQ(parsed_->listing1.firstFile, nullptr);
    EXPECT_EQ(parsed_->listing1.lastFile, nullptr);
}

// Listing 1's own coverage view decides whether its sections are
// function-only; listing 2's view decides its condition rows.
TEST_F(ParsedListings, WhichViewDecidesWhat) {
    ListingLayout spec2;
    spec2.header.coverageView = "Reduced to MC/DC coverage";
    FileLayout file;
    file.functions = {function("f", {profileLine("", "", ' ', "11", "1 a")})};
    spec2.files = {file};
    ListingLayout spec1;
    spec1.header.coverageView = "Reduced to function coverage";
    file.functions = {functionOnly("f"), functionOnly("g")};
    spec1.files = {file};
    read(render(spec1), render(spec2));
    const FunctionBlock& f2 = *parsed_->listing2.firstFile->firstFunction;
    EXPECT_EQ(f2.lastLine->lineKind(), LK_PLAIN);
    EXPECT_NE(f2.terLine, nullptr);
    const FunctionBlock& f1 = *parsed_->listing1.firstFile->firstFunction;
    EXPECT_EQ(f1.firstLine, f1.lastLine);
    EXPECT_EQ(f1.firstLine->lineKind(), LK_HITS);
    EXPECT_EQ(f1.terLine, nullptr);
    EXPECT_EQ(f1.terLine2, nullptr);
    EXPECT_EQ(f1.next, parsed_->listing1.firstFile->lastFunction);
}

}  // namespace
}  // namespace korvcmp::testing
