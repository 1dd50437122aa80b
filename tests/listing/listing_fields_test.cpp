// The fields of a listing the programs read alike: the TER figures (in
// every form the report tool and korvcmp write them), the difference
// figures, the MONITORED path and the asctime layout.
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "listing/listing_fields.h"
#include "listing/ter_figures.h"

namespace korvcmp::testing {
namespace {

TEST(ListingFields, TerFigures) {
    struct Case {
        const char* line;
        bool present;
        std::int64_t percent, covered, total;
    };
    for (const Case& c : {
             Case{"***TER  73% (  14/  19) of FUNCTION ctl_update()", true, 73, 14, 19},
             Case{"TER                :  64% (  96/ 149)  Decisions+Conditions", true, 64, 96, 149},
             Case{"***TER 100% (4294967296/4294967296) of FILE a.c", true, 100, 4294967296,
                  4294967296},
             Case{"***TER  n/a (5%) of FILE (x) 50% ( 1/ 2)", true, 50, 1, 2},
             // Blanks anywhere between the parts, and none at all.
             Case{"***TER  71 % (   5/   7) of FUNCTION f()", true, 71, 5, 7},
             Case{"***TER  71  %  (  5  /  7  ) of FILE f.c", true, 71, 5, 7},
             Case{"***TER 71%(5/7) of FILE f.c", true, 71, 5, 7},
             Case{"TER                :  64 % (  96/ 149)  Decisions+Conditions", true, 64, 96,
                  149},
             // As korvcmp writes it, its difference figures after the '('.
             Case{"***TER  71 % ([6 + 1 - 2]   5/   7) of FUNCTION f()", true, 71, 5, 7},
             Case{"TER                :  64% ([100 + 3 - 7]   96/ 149)  Decisions", true, 64, 96,
                  149},
             Case{"***TER 100% (9223372036854775807/9223372036854775807) of FILE a.c", true, 100,
                  9223372036854775807, 9223372036854775807},
             // No figure: never a wrong number.
             Case{"***TER  73% of FILE a.c", false, 0, 0, 0},
             Case{"***TER  73% (  14 of  19)", false, 0, 0, 0},
             Case{"***TER  73% (  14/  19", false, 0, 0, 0},
             Case{"***TER  n/a of FUNCTION f()", false, 0, 0, 0},
             Case{"***TER  % ( 1/ 2) of FILE a.c", false, 0, 0, 0},
             Case{"***TER 99999999999999999999% ( 1/ 2)", false, 0, 0, 0},
             Case{"***TER 50% ( 1/ 99999999999999999999)", false, 0, 0, 0},
             Case{"", false, 0, 0, 0},
         }) {
        SCOPED_TRACE(c.line);
        const TerFigures figures = parseTerFigures(c.line);
        EXPECT_EQ(figures.present, c.present);
        EXPECT_EQ(figures.percent, c.percent);
        EXPECT_EQ(figures.covered, c.covered);
        EXPECT_EQ(figures.total, c.total);
    }
    EXPECT_FALSE(parseTerFigures(nullptr).present);
}

TEST(ListingFields, ChangeFiguresReadAsWritten) {
    for (const ChangeFigures figures : {ChangeFigures{0, 0, 0}, ChangeFigures{4, 2, 1},
                                        ChangeFigures{INT64_MAX, 4294967296, INT64_MAX - 1}}) {
        const ChangeFiguresText text(figures);
        const std::string line = "***TER  50% (" + std::string(text.view()) + "  1/  2) of x";
        const auto read = parseChangeFigures(line);
        ASSERT_TRUE(read.has_value()) << line;
        EXPECT_EQ(read->hits1, figures.hits1);
        EXPECT_EQ(read->newHits, figures.newHits);
        EXPECT_EQ(read->lostHits, figures.lostHits);
    }
    EXPECT_EQ(ChangeFiguresText(changeFiguresOf(2, 1, 3)).view(), "[4 + 2 - 1]");
    for (const char* line : {"***TER  50% (  1/  2) of x", "***TER [1 + 2 - 3]",
                             "***TER (1 + 2 - 3]", "***TER ([1 + 2 - 3)", "***TER ([1 + x - 3])"}) {
        EXPECT_FALSE(parseChangeFigures(line).has_value()) << line;
    }
}

TEST(ListingFields, MonitoredPathAndProductionTime) {
    EXPECT_EQ(monitoredPath("MONITORED SOURCE FILE : src/a b.c"), "src/a b.c");
    EXPECT_EQ(monitoredPath("MONITORED src/a.c"), "src/a.c");
    EXPECT_EQ(monitoredPath("MONITORED"), "");

    std::tm december{};
    december.tm_year = 126;
    december.tm_mon = 11;
    december.tm_mday = 8;
    december.tm_wday = 2;
    december.tm_hour = 4;
    december.tm_min = 2;
    december.tm_sec = 15;
    const std::string text = asctimeText(december);
    EXPECT_EQ(text, "Tue Dec  8 04:02:15 2026\n");
    EXPECT_EQ(parseAsctime(text), (ProductionTime{2026, 11, 8, 4, 2, 15}));
    EXPECT_LT(*parseAsctime("Wed Mar  5 16:48:02 2025"), *parseAsctime("Sun Jan  4 00:00:00 2026"));
    for (const char* bad : {"", "Wed Mar  5 16:48:02", "Wed Foo  5 16:48:02 2025",
                            "Wed Mar  x 16:48:02 2025", "Wed Mar  5 16-48-02 2025"}) {
        EXPECT_FALSE(parseAsctime(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace korvcmp::testing
