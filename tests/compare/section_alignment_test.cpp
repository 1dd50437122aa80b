// The aligned view of two file sections: edits to a file as source code is
// edited, each with the categories its items must fall into, and a pair that
// korvcmp compares, whose categories are korvcmp's own figures.
#include "compare/section_alignment.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/listing_builder.h"
#include "support/model_builder.h"

namespace korvcmp::testing {
namespace {

struct Construct {
    std::string description;
    std::string trueCount;
    std::string falseCount;  // empty: a line of one count
};

// A function section: its FUNCTION line at `line`, its body on the lines below.
FunctionModel fn(const std::string& signature, int line, const std::vector<Construct>& body,
                 const std::string& hits = "1") {
    FunctionModel function;
    function.lines.push_back(profileLine(hits, "", hits == "0" ? '-' : ' ', std::to_string(line),
                                         "FUNCTION " + signature));
    for (const Construct& construct : body) {
        const bool uncovered = construct.falseCount.empty() && construct.trueCount == "0";
        function.lines.push_back(profileLine(construct.trueCount, construct.falseCount,
                                             uncovered ? '-' : ' ', std::to_string(++line),
                                             construct.description));
    }
    return function;
}

FileModel fileOf(std::vector<FunctionModel> functions, const std::string& name = "src/a.c") {
    FileModel file;
    file.monitoredLine = monitoredLine(name);
    file.functions = std::move(functions);
    return file;
}

// Listing 1's file, and listing 2's as it was run again without an edit:
// f's FALSE outcome was lost, g's break was reached.
std::vector<FunctionModel> run1(int shift = 0) {
    return {fn("f()", 10 + shift, {{"if (a)", "2", "1"}, {"return", "2", ""}, {"}", "1", ""}}),
            fn("g()", 20 + shift, {{"while (b)", "0", "0"}, {"break", "0", ""}})};
}
FunctionModel f2(int shift = 0, std::vector<Construct> extra = {}) {
    std::vector<Construct> body = {{"if (a)", "2", "0"}, {"return", "2", ""}, {"}", "1", ""}};
    body.insert(body.end() - 1, extra.begin(), extra.end());
    return fn("f()", 10 + shift, body);
}
FunctionModel g2(const std::string& name = "g()", int shift = 0,
                 const std::string& exit = "break") {
    return fn(name, 20 + shift, {{"while (b)", "0", "0"}, {exit, "1", ""}});
}

// keptCovered, keptUncovered, gained, lost, added and deleted covered and
// uncovered.
using Figures = std::array<std::int64_t, 8>;
Figures figuresOf(const ChangeCategories& c) {
    return {c.keptCovered,  c.keptUncovered,  c.gained,         c.lost,
            c.addedCovered, c.addedUncovered, c.deletedCovered, c.deletedUncovered};
}

struct Edit {
    const char* name;
    std::vector<FunctionModel> listing1;
    FileModel listing2;
    Figures expected;
    // Per aligned function: listing 2's name or "-", "<" listing 1's when
    // paired by body, "x" when deleted.
    std::vector<std::string> functions;
    std::string mode = "INSTRUMENTATION MODE  : decision";
};

std::string describe(const AlignedFunction& aligned) {
    const auto name = [](const FunctionBlock* function) {
        return functionKey(*function).substr(std::string_view("FUNCTION ").size());
    };
    std::string text;
    if (aligned.function2 == nullptr) {
        text.append("x").append(name(aligned.function1));
        return text;
    }
    text.append(name(aligned.function2));
    if (aligned.pairedByBody) {
        text.append("<").append(name(aligned.function1));
    }
    return text;
}

TEST(SectionAlignment, EditsFallIntoTheirCategories) {
    const Figures kUnedited{5, 2, 1, 1, 0, 0, 0, 0};
    FileModel withInclude = fileOf({f2(), g2()});
    withInclude.includes = {"#include <stdio.h>"};
    const std::vector<Edit> edits = {
        {"unedited", run1(), fileOf({f2(), g2()}), kUnedited, {"f()", "g()"}},
        {"lines inserted above", run1(), fileOf({f2(3), g2("g()", 3)}), kUnedited, {"f()", "g()"}},
        {"construct added",
         run1(),
         fileOf({f2(0, {{"goto out", "1", ""}, {"ternary-?: c", "1", "0"}}), g2()}),
         {5, 2, 1, 1, 2, 1, 0, 0},
         {"f()", "g()"}},
        {"construct removed",
         run1(),
         fileOf({fn("f()", 10, {{"if (a)", "2", "0"}, {"}", "1", ""}}), g2()}),
         {4, 2, 1, 1, 0, 0, 1, 0},
         {"f()", "g()"}},
        {"construct changed",
         run1(),
         fileOf({f2(), g2("g()", 0, "continue")}),
         {5, 2, 0, 1, 1, 0, 0, 1},
         {"f()", "g()"}},
        {"function added",
         run1(),
         fileOf({f2(), fn("h()", 15, {{"return", "0", ""}}), g2("g()", 5)}),
         {5, 2, 1, 1, 1, 1, 0, 0},
         {"f()", "h()", "g()"}},
        {"function removed", run1(), fileOf({f2()}), {4, 0, 0, 1, 0, 0, 1, 3}, {"f()", "xg()"}},
        {"function renamed",
         run1(),
         fileOf({f2(), g2("g(int)")}),
         kUnedited,
         {"f()", "g(int)<g()"}},
        {"function moved", run1(), fileOf({g2("g()", -10), f2(10)}), kUnedited, {"g()", "f()"}},
        {"file moved", run1(), fileOf({f2(), g2()}, "lib/a.c"), kUnedited, {"f()", "g()"}},
        {"include added", run1(), withInclude, kUnedited, {"f()", "g()"}},
        {"function coverage",
         {fn("f()", 10, {}), fn("g()", 20, {}, "0")},
         fileOf({fn("g()", 21, {}), fn("k()", 30, {}, "0")}),
         {0, 0, 1, 0, 0, 1, 1, 0},
         {"g()", "k()", "xf()"},
         "INSTRUMENTATION MODE  : function"},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.name);
        ListingModel model1;
        model1.files.push_back(fileOf(edit.listing1));
        model1.files[0].modeLine = edit.mode;
        ListingModel model2;
        model2.files.push_back(edit.listing2);
        model2.files[0].modeLine = edit.mode;
        const auto listings = buildListings(model1, model2);
        pairFiles(*listings);
        const MonitoredFile* file1 = fileAt(*listings->listing1, 0);
        const MonitoredFile* file2 = fileAt(*listings->listing2, 0);
        const SectionAlignment alignment =
            alignSections(file1, file2, edit.mode.ends_with("function"));
        EXPECT_EQ(figuresOf(alignment.changes), edit.expected);
        std::vector<std::string> functions;
        ChangeCategories sum;
        for (const AlignedFunction& aligned : alignment.functions) {
            functions.push_back(describe(aligned));
            sum.add(aligned.changes);
        }
        EXPECT_EQ(functions, edit.functions);
        EXPECT_EQ(figuresOf(sum), edit.expected);

        // Seen from either side alone, every item is added or deleted code.
        const ChangeCategories& all = alignment.changes;
        EXPECT_EQ(figuresOf(alignSections(nullptr, file2, false).changes),
                  (Figures{0, 0, 0, 0, all.keptCovered + all.gained + all.addedCovered,
                           all.keptUncovered + all.lost + all.addedUncovered, 0, 0}));
        EXPECT_EQ(figuresOf(alignSections(file1, nullptr, false).changes),
                  (Figures{0, 0, 0, 0, 0, 0, all.keptCovered + all.lost + all.deletedCovered,
                           all.keptUncovered + all.gained + all.deletedUncovered}));
    }
}

TEST(SectionAlignment, ComparedPairCountsAsKorvcmpMarks) {
    ListingModel model1;
    model1.files.push_back(fileOf(run1()));
    ListingModel model2;
    model2.files.push_back(fileOf({f2(), g2()}));
    const auto listings = buildListings(model1, model2);
    pairFiles(*listings);
    markDifferences(*listings);
    const MonitoredFile* file2 = fileAt(*listings->listing2, 0);
    ASSERT_EQ(file2->comparable, 1);
    const SectionAlignment alignment = alignSections(fileAt(*listings->listing1, 0), file2, false);
    const ChangeCategories& changes = alignment.changes;
    EXPECT_EQ(changes.gained, file2->newHits);
    EXPECT_EQ(changes.lost, file2->lostHits);
    EXPECT_EQ(changes.keptCovered, file2->equalHits);
    // The lost FALSE outcome of f's decision, where korvcmp marks it.
    const AlignedLine& decision = alignment.functions[0].lines[1];
    EXPECT_EQ(decision.trueItem, ItemChange::KeptCovered);
    EXPECT_EQ(decision.falseItem, ItemChange::Lost);
    EXPECT_EQ(decision.line2->markerAt(kFalseMarkerColumn), kLostMarker);
}

// Twin constructs: the source line numbers decide which of them stayed.
TEST(SectionAlignment, LineNumbersPairTwinConstructs) {
    ListingModel model1;
    model1.files.push_back(
        fileOf({fn("f()", 10, {{"return", "0", ""}, {"x:", "", ""}, {"return", "3", ""}})}));
    ListingModel model2;
    // Three lines were inserted above; the first return and the label were
    // deleted and left their source lines empty.
    model2.files.push_back(fileOf({fn("f()", 13, {{"return", "3", ""}})}));
    model2.files[0].functions[0].lines[1] = profileLine("3", "", ' ', "16", "return");
    const auto listings = buildListings(model1, model2);
    pairFiles(*listings);
    const SectionAlignment alignment =
        alignSections(fileAt(*listings->listing1, 0), fileAt(*listings->listing2, 0), false);
    const std::vector<AlignedLine>& lines = alignment.functions[0].lines;
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(lines[1].line2, nullptr);
    EXPECT_EQ(lines[3].line1->lineNumber, 13U);
    EXPECT_EQ(lines[3].trueItem, ItemChange::KeptCovered);
}

}  // namespace
}  // namespace korvcmp::testing
