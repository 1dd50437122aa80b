// The compared listing: TER lines with the difference figures, the time
// text, the whole layout of a small listing, function coverage, and the
// compared listing of the example pair against its checked copy.
#include "output/compared_listing_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <string>
#include <vector>

#include "listing/listing_fields.h"
#include "support/listing_builder.h"
#include "support/model_builder.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

std::string terLine(std::string_view text, std::int64_t newHits, std::int64_t lostHits,
                    std::int64_t equalHits) {
    std::string sink;
    OutputStream out;
    out.useMemory(&sink);
    writeTerLine(out, text, newHits, lostHits, equalHits);
    out.close();
    return sink;
}

TEST(ComparedListingWriter, TerLineGetsTheFiguresAfterItsFirstParenthesis) {
    struct Case {
        const char* text;
        std::int64_t newHits, lostHits, equalHits;
        const char* written;
    };
    const Case cases[] = {
        {"***TER  73% (  14/  19) of FUNCTION f()", 2, 1, 3,
         "***TER  73% ([4 + 2 - 1]  14/  19) of FUNCTION f()\n"},
        {"***TER 100% (   1/   1) of FILE src/a.c", 0, 0, 0,
         "***TER 100% ([0 + 0 - 0]   1/   1) of FILE src/a.c\n"},
        {"TER                :  71% ( 115/ 160)  Decisions+Conditions", 5, 0, 7,
         "TER                :  71% ([7 + 5 - 0]  115/ 160)  Decisions+Conditions\n"},
        {"***TER  50% (1/2) of FUNCTION run(void (*)(int))", 1, 1, 1,
         "***TER  50% ([2 + 1 - 1]1/2) of FUNCTION run(void (*)(int))\n"},
        {"***TER 100% of FILE src/a.c", 1, 0, 0, "***TER 100% of FILE src/a.c([0 + 1 - 0])\n"},
        {"TER                : 100%", 1, 2, 3, "TER                : 100%([5 + 1 - 2] )\n"},
        {"***TER (", 3000000000, 1, 4294967296, "***TER ([4294967297 + 3000000000 - 1]\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(terLine(c.text, c.newHits, c.lostHits, c.equalHits), c.written) << c.text;
    }
}

std::tm timeOf(int weekday, int day, int month, int year, int hour, int minute, int second) {
    std::tm time{};
    time.tm_wday = weekday;
    time.tm_mday = day;
    time.tm_mon = month;
    time.tm_year = year - 1900;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

TEST(ComparedListingWriter, TimeTextHasTheAsctimeLayoutWithEnglishNames) {
    const std::tm december = timeOf(2, 8, 11, 2026, 4, 2, 15);
    const std::tm january = timeOf(0, 25, 0, 1999, 23, 59, 9);
    EXPECT_EQ(asctimeText(december), "Tue Dec  8 04:02:15 2026\n");
    EXPECT_EQ(asctimeText(january), "Sun Jan 25 23:59:09 1999\n");
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            EXPECT_EQ(asctimeText(december), "Tue Dec  8 04:02:15 2026\n") << name;
        }
    }
    std::setlocale(LC_ALL, "C");
}

std::string writtenListing(const BuiltListings& listings) {
    std::string sink;
    OutputStream out;
    out.useMemory(&sink);
    writeComparedListing(out, *listings.listing1, *listings.listing2, "old.lst", "new.lst",
                         currentTimeText());
    out.close();
    return sink;
}

template <typename Record>
void setCounts(Record& record, std::int64_t newHits, std::int64_t lostHits,
               std::int64_t equalHits) {
    record.newHits = newHits;
    record.lostHits = lostHits;
    record.equalHits = equalHits;
}

FileModel file(const std::string& name, const std::string& mode) {
    FileModel model;
    model.monitoredLine = "MONITORED SOURCE FILE : " + name;
    model.modeLine = "INSTRUMENTATION MODE  : " + mode;
    model.terLine = "***TER  50% (   1/   2) of FILE " + name;
    return model;
}

FunctionModel function(std::vector<std::string> lines) {
    FunctionModel model;
    model.lines = std::move(lines);
    return model;
}

TEST(ComparedListingWriter, WritesTheWholeLayout) {
    ListingModel listing2;
    listing2.producedAt = "Wed Mar  5 16:48:02 2025";
    FileModel& a = listing2.files.emplace_back(file("src/a.c", "decision"));
    a.functions = {function({profileLine("3", "", ' ', "10 ", "FUNCTION f()"),
                             profileLine("2", "1", ' ', "11 ", "if (x)")}),
                   function({profileLine("0", "", '-', "20 ", "FUNCTION g()")})};
    a.functions[0].lineDirective = lineDirective("#line 1 \"a.inc\"");
    a.functions[1].terLine = "***TER   0% (   0/   1) of FUNCTION g()";
    FileModel& b = listing2.files.emplace_back(file("src/b.c", "function"));
    b.includes = {"#include \"b.h\""};
    b.functions = {function({profileLine("7", "", ' ', "5 ", "FUNCTION b1()")}),
                   function({profileLine("0", "", '-', "9 ", "FUNCTION b2()")})};
    FileModel& c = listing2.files.emplace_back(file("src/c.h", "decision"));
    c.includes = {"#include \"c.h\""};
    const auto built = buildListings({}, listing2);

    MonitoredFile& fileA = *fileAt(*built->listing2, 0);
    fileA.comparable = 1;
    lineAt(*functionAt(fileA, 0), 1)->setMarker(kTrueMarkerColumn, kLostMarker);
    lineAt(*functionAt(fileA, 0), 1)->setMarker(kFalseMarkerColumn, kNewMarker);
    setCounts(*functionAt(fileA, 0), 2, 1, 3);
    setCounts(fileA, 2, 1, 3);
    fileAt(*built->listing2, 1)->reason = "no file";
    setCounts(*functionAt(*fileAt(*built->listing2, 1), 0), 1, 0, 0);
    setCounts(*fileAt(*built->listing2, 1), 1, 0, 0);
    fileAt(*built->listing2, 2)->reason = "different profile";
    setCounts(*built->listing2, 3, 1, 3);

    const std::string written = writtenListing(*built);
    const std::string expected =
        R"(*****************************************************************************
*           Korvo, Test Coverage Analyzer for C/C++, Version 8.2+           *
*                                                                           *
*             EXECUTION PROFILE LISTING (COMPARED by korvcmp v1.0)          *
*                                                                           *
*   Marks after hit counts: ^ new coverage, v lost coverage, blank equal    *
*****************************************************************************


Input profile 1       : old.lst (Mon Mar  3 10:00:00 2025)
Input profile 2       : new.lst (Wed Mar  5 16:48:02 2025)
Listing produced at   : <time>
Coverage view         : Decision+Condition coverage



MONITORED SOURCE FILE : src/a.c
INSTRUMENTATION MODE  : decision

 HITS/TRUE      FALSE    LINE DESCRIPTION
=============================================================================

                              #line 1 "a.inc"
         3                 10 FUNCTION f()
         2v         1^     11 if (x)

***TER 100% ([4 + 2 - 1]   2/   2) of FUNCTION f()
       100% (   1/   1) statement blocks
-----------------------------------------------------------------------------

         0            -    20 FUNCTION g()

***TER   0% ([0 + 0 - 0]   0/   1) of FUNCTION g()
       100% (   1/   1) statement blocks
-----------------------------------------------------------------------------


***TER  50% ([4 + 2 - 1]   1/   2) of FILE src/a.c
       100% (   1/   1) statement blocks
-----------------------------------------------------------------------------



MONITORED SOURCE FILE : src/b.c (NO COMPARE, no file)
INSTRUMENTATION MODE  : function

 HITS/TRUE      FALSE    LINE DESCRIPTION
=============================================================================

#include "b.h"
         7                  5 FUNCTION b1()
         0            -     9 FUNCTION b2()

***TER  50% ([0 + 1 - 0]   1/   2) of FILE src/b.c
       100% (   1/   1) statement blocks
-----------------------------------------------------------------------------



MONITORED SOURCE FILE : src/c.h (NO COMPARE, different profile)
INSTRUMENTATION MODE  : decision

 HITS/TRUE      FALSE    LINE DESCRIPTION
=============================================================================

#include "c.h"

***TER  50% ([0 + 0 - 0]   1/   2) of FILE src/c.h
       100% (   1/   1) statement blocks
-----------------------------------------------------------------------------



SUMMARY
=======

Source files       :     2
Headers extracted  :     0
Functions          :     3
Source lines       :   120
TER                :  75% ([4 + 3 - 1]    3/   4)  Decisions+Conditions
TER                :  80% (   4/   5)  Statement blocks
)";
    EXPECT_EQ(withoutTime(written), expected);
    for (std::size_t line = 0, start = 0; line < 7; ++line) {
        const std::size_t end = written.find('\n', start);
        EXPECT_EQ(end - start, 77U) << "banner line " << line + 1;
        start = end + 1;
    }
}

TEST(ComparedListingWriter, FunctionCoverageLeavesOutTheFunctionTerBlocks) {
    struct Case {
        const char* mode;  // of the first of two file sections; the second is "decision"
        const char* view;
        int functionTerBlocks;
    };
    const Case cases[] = {
        {"function", "Decision+Condition coverage", 1},
        {"functiXn", "Decision+Condition coverage", 1},  // the first 30 characters decide
        {"functIon", "Decision+Condition coverage", 2},
        {"decision", "Reduced to function coverage", 0},
        {"decision", "Reduced to function coverage (all)", 0},
        {"decision", "Reduced to function coverag", 2},
    };
    for (const Case& c : cases) {
        ListingModel listing2;
        listing2.coverageView = c.view;
        for (const char* mode : {c.mode, "decision"}) {
            listing2.files.push_back(file("src/x.c", mode));
            listing2.files.back().functions = {
                function({profileLine("1", "", ' ', "3", "FUNCTION f()")})};
        }
        const auto built = buildListings({}, listing2);
        for (MonitoredFile* f = built->listing2->firstFile; f != nullptr; f = f->next) {
            f->comparable = 1;
        }
        const std::string written = writtenListing(*built);
        int blocks = 0;
        for (std::size_t at = written.find("of FUNCTION"); at != std::string::npos;
             at = written.find("of FUNCTION", at + 1)) {
            ++blocks;
        }
        EXPECT_EQ(blocks, c.functionTerBlocks) << c.mode << ", " << c.view;
        EXPECT_NE(written.find("***TER  50% ([0 + 0 - 0]   1/   2) of FILE src/x.c\n"),
                  std::string::npos);
        EXPECT_NE(written.find("TER                :  75% ([0 + 0 - 0]    3/   4)"),
                  std::string::npos);
    }
}

TEST(ComparedListingWriter, ListingWithoutFileSectionsGoesOnToTheSummary) {
    EXPECT_NE(writtenListing(*buildListings({}, {}))
                  .find("Coverage view         : Decision+Condition coverage\n"
                        "\n\n\nSUMMARY\n=======\n\nSource files"),
              std::string::npos);
}

// The example pair of the source tree, compared by the built program, against
// a copy of its compared listing that was checked line by line (LF line
// ends, no CR anywhere): on standard output and in a file, where every line
// ends as the system's text files end them, in CR LF on Windows.
TEST(ComparedListingWriter, ExamplePairMatchesItsCheckedComparedListing) {
    const std::string golden = readFile(sourcePath("tests/output/golden/examples.compared.txt"));
    ASSERT_EQ(golden.find('\r'), std::string::npos);
    const TempDir dir;
    const std::string path = dir.file("examples.compared.txt");
    for (const std::string& destination : {std::string("-"), path}) {
        SCOPED_TRACE(destination);
        const ProcessResult result =
            runBinary({"-i1", "examples/run1.lst", "-i2", "examples/run2.lst", "-p", destination},
                      sourcePath(""));
        ASSERT_EQ(result.status, 0) << result.standardError;
        EXPECT_EQ(result.standardError, "");
        EXPECT_EQ(withoutTime(destination == "-" ? result.standardOutput : readTextFile(path)),
                  golden);
    }
    // The file as written: as many lines as the golden copy, and a CR before
    // every LF on Windows, none elsewhere (a CR anywhere else would have
    // failed the comparison above).
    const std::string written = readFile(path);
    const auto lines = std::count(written.begin(), written.end(), '\n');
    EXPECT_EQ(lines, std::count(golden.begin(), golden.end(), '\n'));
    EXPECT_EQ(std::count(written.begin(), written.end(), '\r'), kTextLineEnd == "\r\n" ? lines : 0);
}

}  // namespace
}  // namespace korvcmp::testing
