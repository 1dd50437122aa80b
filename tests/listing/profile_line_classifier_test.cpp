// The classification of profile lines: kind and compare end of every known
// form, whole-description versus prefix tests, the count columns that decide
// some kinds, condition rows under the coverage views, line numbers, and the
// report of a strange line.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/fatal.h"
#include "listing/profile_line_classifier.h"
#include "platform/system_memory.h"
#include "support/listing_builder.h"
#include "support/test_support.h"

namespace korvcmp::testing {
namespace {

constexpr const char* kDecisionView = "Decision+Condition coverage";
constexpr const char* kMcdcView = "Reduced to MC/DC coverage";

// A profile line whose count columns 9 and 20 hold a digit where asked.
std::string countedLine(bool trueCount, bool falseCount, const std::string& description) {
    return profileLine(trueCount ? "5" : "", falseCount ? "3" : "", ' ', "17", description);
}

// What classifying one line gave: its fields, or the report of a strange line.
struct Classified {
    bool strange = false;
    std::string report;
    int lineNumber = 0;
    int kind = 0;
    int compareEnd = 0;
};

struct FormCase;

class Classifier : public ::testing::Test {
  protected:
    // Listing 2's coverage view, by which lines are classified.
    void setView(const char* view) { view_ = view; }

    Classified classify(const std::string& text) {
        ListingLine* line = lines_.single(text);
        Classified result;
        try {
            classifyProfileLine(*line, view_);
        } catch (const FatalError& error) {
            result.strange = true;
            result.report = fatalReport(error.what());
            return result;
        }
        result.lineNumber = static_cast<int>(line->lineNumber);
        result.kind = line->lineKind();
        result.compareEnd = line->compareEnd;
        return result;
    }

    static std::string strangeReport(const std::string& text) {
        return "*** korvcmp error: Strange profile listing line: " + text + "\n\n";
    }

    // Checks kind and compare end (length less one, less `dropped`).
    void expectKind(const std::string& text, int kind, int dropped = 0) {
        SCOPED_TRACE("line: \"" + text + "\"");
        const Classified result = classify(text);
        ASSERT_FALSE(result.strange) << result.report;
        EXPECT_EQ(result.kind, kind);
        EXPECT_EQ(result.compareEnd, static_cast<int>(text.size()) - 1 - dropped);
    }

    void expectStrange(const std::string& text) {
        SCOPED_TRACE("line: \"" + text + "\"");
        const Classified result = classify(text);
        ASSERT_TRUE(result.strange) << "kind " << result.kind;
        EXPECT_EQ(result.report, strangeReport(text));
    }

    // expectKind or expectStrange for each case.
    void checkCases(const std::vector<FormCase>& cases);

    const char* view_ = kDecisionView;
    LineStore lines_{systemMemory()};
};

struct FormCase {
    const char* description;
    bool trueCount;   // column 9 holds a digit
    bool falseCount;  // column 20 holds a digit
    int kind;         // -1: strange
    int dropped;      // how much compareEnd is below the last character
};

// Every form of the table, in its order, with the count columns that decide
// the kind where they matter.
const std::vector<FormCase> kForms = {
    {"FUNCTION main()", true, false, LK_HITS, 0},
    {"goto fail", true, false, LK_HITS, 0},
    {"continue", true, false, LK_HITS, 0},
    {"continue /* next */", true, false, LK_HITS, 0},
    {"break", true, false, LK_HITS, 0},
    {"break ;", true, false, LK_HITS, 0},
    {"return", true, false, LK_HITS, 0},
    {"return 0", true, false, LK_HITS, 0},
    {"throw", true, false, LK_HITS, 0},
    {"throw e", true, false, LK_HITS, 0},
    {"__leave", true, false, LK_HITS, 0},
    {"catch (...)", true, false, LK_HITS, 0},
    {"__except", true, false, LK_HITS, 0},
    {"__finally", true, false, LK_HITS, 0},
    {"lambda-[]()", true, false, LK_HITS, 0},
    {"foreach (x : v)", true, true, LK_HITS, 0},
    {"User counter: cycles", true, false, LK_HITS, 0},
    {"case KEY_UP:", true, false, LK_HITS, 0},
    {"case KEY_UP:+", true, false, LK_HITS, 1},
    {"default:", true, false, LK_HITS, 0},
    {"default:+", true, false, LK_HITS, 1},
    {"if (x)", true, true, LK_DECISION, 0},
    {"else if (y)", true, true, LK_DECISION, 0},
    {"do-while (z)", true, true, LK_DECISION, 0},
    {"ternary-?: a ? b : c", true, true, LK_DECISION, 0},
    {"expr-andor: a && b", true, true, LK_DECISION, 0},
    {"for (;;)", true, false, LK_HITS, 0},
    {"for (i = 0; i < n; i++)", true, true, LK_DECISION, 0},
    {"for (i = 0; i < n; i++)", false, true, LK_DECISION, 0},
    {"while (1)", true, false, LK_HITS, 0},
    {"while (busy)", false, true, LK_DECISION, 0},
    {"const-if (TRACE)", false, true, LK_CONSTANT, 0},
    {"const-", true, false, LK_CONSTANT, 0},
    {"1 a > b", true, false, LK_CONDITION_TRUE, 0},
    {"2 a > b", true, true, LK_CONDITION_TRUE, 0},
    {"9 c", false, true, LK_CONDITION_FALSE, 0},
    {"COND rc = a && b", true, true, LK_DECISION, 0},
    {"MC/DC 1:+ a > b", false, true, LK_MCDC, 0},
    {"try", true, false, LK_HITS, 0},
    {"try", false, true, LK_PLAIN, 0},
    {"__try", true, false, LK_HITS, 0},
    {"__try", false, false, LK_PLAIN, 0},
    {"}", true, false, LK_HITS, 0},
    {"}", false, true, LK_PLAIN, 0},
    {"}+", true, false, LK_HITS, 1},
    {"}+", false, false, LK_PLAIN, 1},
    {"}-", true, false, LK_HITS, 1},
    {"}-", false, false, LK_PLAIN, 1},
    {"switch (key)", false, false, LK_PLAIN, 0},
    {"else", false, false, LK_PLAIN, 0},
    {"do", false, false, LK_PLAIN, 0},
    {"User annotation: checked", false, false, LK_PLAIN, 0},
    {"#line 12 \"src/a.c\"", false, false, LK_PLAIN, 0},
    {"retry:", false, false, LK_PLAIN, 0},
    {"retry:+", false, false, LK_PLAIN, 1},
};

// Literals that must be the whole description, prefixes that need their
// blank, and the order of the tests when a description fits several.
const std::vector<FormCase> kBoundaries = {
    {"else ", false, false, -1, 0},
    {"else if", false, false, -1, 0},
    {"do ", false, false, -1, 0},
    {"do-while", true, true, -1, 0},
    {"try ", true, false, -1, 0},
    {"__try ", true, false, -1, 0},
    {"__leave ", true, false, -1, 0},
    {"__leave x:", true, false, LK_PLAIN, 0},
    {"__leave x:+", true, false, LK_PLAIN, 1},
    {"__except ", true, false, -1, 0},
    {"__finally()", true, false, -1, 0},
    {"lambda-[]() ", true, false, -1, 0},
    {"continue;", true, false, -1, 0},
    {"returned", true, false, -1, 0},
    {"} ", true, false, -1, 0},
    {"}x", true, false, -1, 0},
    {"}+ ", true, false, -1, 0},
    {"if", true, true, -1, 0},
    {"for", true, true, -1, 0},
    {"FUNCTION", true, false, -1, 0},
    {"switch", false, false, -1, 0},
    {"COND", true, true, -1, 0},
    {"MC/DC", false, true, -1, 0},
    {"case", true, false, -1, 0},
    {"default", true, false, -1, 0},
    {"default:x", true, false, LK_HITS, 0},
    {"default:-", true, false, LK_HITS, 0},
    {"case X-", true, false, LK_HITS, 0},
    {"case X+", true, false, LK_HITS, 1},
    {"case 'a':++", true, false, LK_HITS, 1},
    // A keyword wins over the label tests, which come last.
    {"if (a) x:", true, true, LK_DECISION, 0},
    {"return x:+", true, false, LK_HITS, 0},
    {"MC/DC 1:+", false, true, LK_MCDC, 0},
    {"User counter:", true, false, LK_PLAIN, 0},
    {"User annotation:", false, false, LK_PLAIN, 0},
    // A condition row ending in ':' follows the condition-row rule.
    {"1 a ? b:", false, false, -1, 0},
    {"1 a ? b:", false, true, LK_CONDITION_FALSE, 0},
    // '0' starts no condition row.
    {"0 a", true, false, -1, 0},
    {"0 a:", true, false, LK_PLAIN, 0},
    {"0 a:+", true, false, LK_PLAIN, 1},
    {"retry:-", false, false, -1, 0},
    {"retry: ", false, false, -1, 0},
    {"x", true, true, -1, 0},
    // Keyword forms ignore the count columns.
    {"foreach (x : v)", false, false, LK_HITS, 0},
    {"if (x)", false, false, LK_DECISION, 0},
    {"COND a", false, false, LK_DECISION, 0},
    {"MC/DC 2:- b", true, true, LK_MCDC, 0},
    {"const-while (0)", true, true, LK_CONSTANT, 0},
    {"goto out", false, false, LK_HITS, 0},
    {"switch (k)", true, true, LK_PLAIN, 0},
};

void Classifier::checkCases(const std::vector<FormCase>& cases) {
    for (const FormCase& c : cases) {
        const std::string text = countedLine(c.trueCount, c.falseCount, c.description);
        if (c.kind < 0) {
            expectStrange(text);
        } else {
            expectKind(text, c.kind, c.dropped);
        }
    }
}

TEST_F(Classifier, EveryFormGivesItsKindAndCompareEnd) {
    checkCases(kForms);
}

TEST_F(Classifier, WholeWordsPrefixesAndTestOrder) {
    checkCases(kBoundaries);
}

TEST_F(Classifier, OnlyColumnsNineAndTwentyOfTheCountsMatter) {
    // Columns 0-8, 10-19 and 21-23 filled with junk, 9 and 20 blank.
    auto junk = [](std::string text) {
        for (int column : {0, 3, 8, 10, 15, 19, 21, 22, 23}) {
            text[static_cast<std::size_t>(column)] = 'x';
        }
        return text;
    };
    expectKind(junk(countedLine(false, false, "try")), LK_PLAIN);
    expectKind(junk(countedLine(false, false, "}+")), LK_PLAIN, 1);
    expectKind(junk(countedLine(false, false, "for (;;)")), LK_HITS);
    expectStrange(junk(countedLine(false, false, "1 a")));
    // Any character other than a blank counts as a count, a tab too.
    std::string tabbed = countedLine(false, false, "while (x)");
    tabbed[20] = '\t';
    expectKind(tabbed, LK_DECISION);
}

struct ConditionCase {
    const char* view;
    bool trueCount;
    bool falseCount;
    int kind;  // -1: strange
};

TEST_F(Classifier, ConditionRowsFollowListing2sCoverageView) {
    const ConditionCase cases[] = {
        {kMcdcView, false, false, LK_PLAIN},
        {kMcdcView, true, false, LK_PLAIN},
        {kMcdcView, false, true, LK_PLAIN},
        {kDecisionView, true, true, LK_CONDITION_TRUE},
        {kDecisionView, true, false, LK_CONDITION_TRUE},
        {kDecisionView, false, true, LK_CONDITION_FALSE},
        {kDecisionView, false, false, -1},
        // The view must be the whole text.
        {"Reduced to MC/DC coverage ", false, false, -1},
        {"Reduced to MC/DC", false, true, LK_CONDITION_FALSE},
        {"", true, false, LK_CONDITION_TRUE},
    };
    for (const ConditionCase& c : cases) {
        SCOPED_TRACE(std::string("view \"") + c.view + "\"");
        setView(c.view);
        const std::string text = countedLine(c.trueCount, c.falseCount, "1 a > b:");
        if (c.kind < 0) {
            expectStrange(text);
        } else {
            expectKind(text, c.kind);
        }
    }
}

TEST_F(Classifier, ReducedToMcdcTouchesOnlyConditionRows) {
    setView(kMcdcView);
    expectKind(countedLine(true, true, "if (x)"), LK_DECISION);
    expectKind(countedLine(false, true, "MC/DC 1:- a"), LK_MCDC);
    expectStrange(countedLine(false, false, "0 a"));
}

TEST_F(Classifier, LineNumberFromColumns24To29) {
    const struct {
        const char* columns;  // columns 24 to 29
        int lineNumber;
    } cases[] = {
        {"    42", 42}, {"      ", 0}, {"1 2 3 ", 123}, {"12x456", 12}, {"999999", 999999},
        {"000007", 7},  {" 7    ", 7}, {"-5    ", 0},   {"\t    4", 0}, {"4\t   2", 4},
    };
    for (const auto& c : cases) {
        std::string text = countedLine(true, false, "return");
        text.replace(24, 6, c.columns);
        SCOPED_TRACE(text);
        const Classified result = classify(text);
        ASSERT_FALSE(result.strange);
        EXPECT_EQ(result.lineNumber, c.lineNumber);
    }
    // Digits in column 30 start a condition row and are not part of the number.
    const Classified row = classify(profileLine("2", "", ' ', "", "7 a"));
    EXPECT_EQ(row.lineNumber, 0);
    EXPECT_EQ(row.kind, LK_CONDITION_TRUE);
    const Classified joined = classify(profileLine("2", "", ' ', "35", "1 a"));
    EXPECT_EQ(joined.lineNumber, 35);
}

TEST_F(Classifier, LengthAndWhereTheDescriptionBegins) {
    // 30 characters: strange, even though the count columns hold a count, or
    // the line ends in ':' as a label does.
    expectStrange(profileLine("1", "", ' ', "5", ""));
    expectStrange(std::string(29, ' ') + ":");
    expectStrange("FUNCTION f()");
    expectStrange("");
    // 31 characters is enough.
    expectKind(profileLine("1", "", ' ', "5", "}"), LK_HITS);
    expectKind(profileLine("", "", ' ', "5", ":"), LK_PLAIN);
    // Blanks only after column 29: empty description.
    expectStrange(profileLine("1", "", ' ', "5", " "));
    expectStrange(profileLine("1", "", ' ', "5", "      "));
    // Extra blanks before the description are skipped; compareEnd still counts
    // from the start of the text.
    expectKind(profileLine("1", "2", ' ', "5", "    if (x)"), LK_DECISION);
    expectKind(profileLine("1", "", ' ', "5", "   }+"), LK_HITS, 1);
    // A tab is not skipped: only the label tests can still fit.
    expectStrange(profileLine("1", "2", ' ', "5", "\tif (x)"));
    expectKind(profileLine("", "", ' ', "5", "\tlabel:"), LK_PLAIN);
    expectKind(profileLine("", "", ' ', "5", "\tlabel:+"), LK_PLAIN, 1);
}

TEST_F(Classifier, StrangeLineReportHoldsTheWholeText) {
    const std::string text = profileLine("12", "", '-', "88", "unknown construct %s %i ");
    const Classified result = classify(text);
    ASSERT_TRUE(result.strange);
    EXPECT_EQ(result.report, "*** korvcmp error: Strange profile listing line: " + text + "\n\n");
}

// The coverage view of listing 2 decides the condition rows of listing 1 too.
class ClassifierInPipeline : public ::testing::Test {
  protected:
    // A listing with one function holding a condition row with both count
    // columns blank, or with a count in column 9.
    static std::string listing(const char* view, bool blankRow) {
        ListingLayout layout;
        layout.header.coverageView = view;
        FileLayout file;
        file.functions.push_back(
            function("f", {profileLine("1", "0", '-', "11", "if (a && b)"),
                           profileLine(blankRow ? "" : "1", "", ' ', "11", "1 a")}));
        layout.files.push_back(file);
        return render(layout);
    }

    InProcessResult run(const std::string& listing1, const std::string& listing2) {
        return runInProcess({"-i1", dir_.write("one.lst", listing1), "-i2",
                             dir_.write("two.lst", listing2), "-p", dir_.file("out.lst")});
    }

    TempDir dir_;
};

TEST_F(ClassifierInPipeline, Listing2McdcViewAcceptsBlankRowsOfListing1) {
    const InProcessResult result = run(listing(kDecisionView, true), listing(kMcdcView, true));
    EXPECT_EQ(result.status, 0) << result.errorOutput;
    EXPECT_TRUE(fileExists(dir_.file("out.lst")));
}

TEST_F(ClassifierInPipeline, Listing1McdcViewDoesNotSaveItsBlankRows) {
    const std::string listing1 = listing(kMcdcView, true);
    const InProcessResult result = run(listing1, listing(kDecisionView, false));
    EXPECT_EQ(result.status, -1);
    const std::string row = profileLine("", "", ' ', "11", "1 a");
    EXPECT_EQ(result.errorOutput,
              "*** korvcmp error: Strange profile listing line: " + row + "\n\n");
    EXPECT_FALSE(fileExists(dir_.file("out.lst")));
}

}  // namespace
}  // namespace korvcmp::testing
