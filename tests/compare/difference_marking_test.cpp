// Marking and counting of coverage differences: the rule of every kind of
// profile line, the reading of count fields, the totals per function, file
// section and listing, and the internal errors of the lockstep walk.
#include "compare/difference_marking.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/fatal.h"
#include "listing/count_fields.h"
#include "support/listing_builder.h"
#include "support/model_builder.h"

namespace korvcmp::testing {
namespace {

constexpr char kNoPartner = '\0';

// One side of a compared line: its two count fields and its coverage flag.
// A flag of kNoPartner stands for a missing partner line.
struct Side {
    const char* trueCount;
    const char* falseCount;
    char flag;
};
constexpr Side kUnpaired{"", "", kNoPartner};

struct Tally {
    std::int64_t newHits = 0;
    std::int64_t lostHits = 0;
    std::int64_t equalHits = 0;
    bool operator==(const Tally&) const = default;
};

template <typename Record>
Tally tallyOf(const Record& record) {
    return {record.newHits, record.lostHits, record.equalHits};
}

void PrintTo(const Tally& tally, std::ostream* out) {
    *out << "[new " << tally.newHits << " lost " << tally.lostHits << " equal " << tally.equalHits
         << "]";
}

std::string textOf(const Side& side) {
    return profileLine(side.trueCount, side.falseCount, side.flag, "12", "description");
}

struct Marked {
    std::string text;
    std::string partnerText;
    Tally function;
    Tally file;
};

// Marks one listing-2 line of `kind` against `partner` (or alone), the kind
// set by hand so that only the marking rules are at work.
Marked markOne(int kind, const Side& partner, const Side& own) {
    BuiltListings memory;
    auto* file2 = newRecord<MonitoredFile>(memory.arena);
    FunctionBlock* function1 = nullptr;
    ListingLine* partnerLine = nullptr;
    if (partner.flag != kNoPartner) {
        function1 = newRecord<FunctionBlock>(memory.arena);
        partnerLine =
            memory.lineStore.append(function1->firstLine, function1->lastLine, textOf(partner));
        partnerLine->kind = static_cast<std::uint32_t>(kind);
    }
    auto* function2 = newRecord<FunctionBlock>(memory.arena);
    ListingLine* line =
        memory.lineStore.append(function2->firstLine, function2->lastLine, textOf(own));
    line->kind = static_cast<std::uint32_t>(kind);
    compareFunction(function1, *function2, *file2);
    return {line->markedText(), partnerLine != nullptr ? std::string(partnerLine->view()) : "",
            tallyOf(*function2), tallyOf(*file2)};
}

// Checks one marked line: the markers at columns 10 and 21 (a blank: none),
// nothing else of either line changed, and the counts in function and file.
void expectMarked(int kind, const Side& partner, const Side& own, char at10, char at21,
                  const Tally& counted) {
    const Marked marked = markOne(kind, partner, own);
    std::string expected = textOf(own);
    expected[10] = at10;
    expected[21] = at21;
    EXPECT_EQ(marked.text, expected);
    if (partner.flag != kNoPartner) {
        EXPECT_EQ(marked.partnerText, textOf(partner));
    }
    EXPECT_EQ(marked.function, counted);
    EXPECT_EQ(marked.file, counted);
}

enum class Outcome { None, New, Lost, Equal };

// Coverage flag rule: partner flag (kNoPartner: no partner line), own flag.
struct FlagRow {
    char partnerFlag;
    char ownFlag;
    Outcome outcome;
};
constexpr FlagRow kFlagRule[] = {
    {kNoPartner, ' ', Outcome::New},  {kNoPartner, '-', Outcome::None},
    {kNoPartner, '*', Outcome::None}, {' ', ' ', Outcome::Equal},
    {' ', '-', Outcome::Lost},        {' ', '*', Outcome::None},
    {'-', ' ', Outcome::New},         {'-', '-', Outcome::None},
    {'-', '*', Outcome::None},        {'*', ' ', Outcome::None},
    {'*', '-', Outcome::None},        {'*', '*', Outcome::None},
};

TEST(DifferenceMarking, CoverageFlagRuleForKinds1And4AtColumn10And5And6AtColumn21) {
    struct KindColumn {
        int kind;
        int markerColumn;
    };
    for (const KindColumn kc : {KindColumn{LK_HITS, 10}, KindColumn{LK_CONDITION_TRUE, 10},
                                KindColumn{LK_CONDITION_FALSE, 21}, KindColumn{LK_MCDC, 21}}) {
        for (const FlagRow& row : kFlagRule) {
            SCOPED_TRACE(::testing::Message()
                         << "kind " << kc.kind << " partner flag '" << row.partnerFlag
                         << "' own flag '" << row.ownFlag << "'");
            // The counts contradict the flags: only the flags decide.
            const Side partner{"0", "0", row.partnerFlag};
            const Side own{"3", "3", row.ownFlag};
            const char marker = row.outcome == Outcome::New    ? '^'
                                : row.outcome == Outcome::Lost ? 'v'
                                                               : ' ';
            const Tally counted{row.outcome == Outcome::New, row.outcome == Outcome::Lost,
                                row.outcome == Outcome::Equal};
            expectMarked(kc.kind, partner, own, kc.markerColumn == 10 ? marker : ' ',
                         kc.markerColumn == 21 ? marker : ' ', counted);
        }
    }
}

// The fields stand in the order of the rule tables, not packed for size.
// NOLINTNEXTLINE(clang-analyzer-optin.performance.Padding)
struct RuleRow {
    int kind;
    Side partner;
    Side own;
    char at10;
    char at21;
    Tally counted;
};

// Kind 2 compares the count fields as numbers (the flag is not read); kind 3
// places its marker by columns 9 and 20; kind 0 is never marked.
constexpr RuleRow kCountConstantPlainRules[] = {
    // Count rule: TRUE field at column 10, then FALSE field at column 21.
    {LK_DECISION, {"0", "0", ' '}, {"0", "0", ' '}, ' ', ' ', {}},
    {LK_DECISION, {"0", "0", ' '}, {"7", "1", '-'}, '^', '^', {2, 0, 0}},
    {LK_DECISION, {"5", "0", ' '}, {"0", "3", ' '}, 'v', '^', {1, 1, 0}},
    {LK_DECISION, {"4", "2", ' '}, {"1", "9", ' '}, ' ', ' ', {0, 0, 2}},
    {LK_DECISION, {"3", "3", ' '}, {"0", "0", '-'}, 'v', 'v', {0, 2, 0}},
    {LK_DECISION, {"000", "", ' '}, {"1 2", "5-", ' '}, '^', '^', {2, 0, 0}},
    {LK_DECISION, {"4294967296", "x12", ' '}, {"4294967296", "12", ' '}, ' ', '^', {1, 0, 1}},
    {LK_DECISION, {"4294967296", "", ' '}, {"0", "", ' '}, 'v', ' ', {0, 1, 0}},
    {LK_DECISION, kUnpaired, {"6", "0", ' '}, '^', ' ', {1, 0, 0}},
    {LK_DECISION, kUnpaired, {"", "4", '-'}, ' ', '^', {1, 0, 0}},
    {LK_DECISION, kUnpaired, {"4294967296", "8", ' '}, '^', '^', {2, 0, 0}},
    {LK_DECISION, kUnpaired, {"0", "0", ' '}, ' ', ' ', {}},
    // Constant rule with a partner: partner flag, own flag, own columns 20 and 9.
    {LK_CONSTANT, {"", "1", '-'}, {"", "1", '-'}, ' ', ' ', {}},
    {LK_CONSTANT, {"", "", '-'}, {"1", "", ' '}, '^', ' ', {1, 0, 0}},
    {LK_CONSTANT, {"", "", '-'}, {"", "", ' '}, '^', ' ', {1, 0, 0}},
    {LK_CONSTANT, {"", "", '-'}, {"", "1", ' '}, ' ', '^', {1, 0, 0}},
    {LK_CONSTANT, {"", "", '-'}, {"1", "1", ' '}, ' ', ' ', {}},
    {LK_CONSTANT, {"", "", '-'}, {"1", "", '*'}, '^', ' ', {1, 0, 0}},
    {LK_CONSTANT, {"", "", '-'}, {"", "1", '*'}, ' ', '^', {1, 0, 0}},
    {LK_CONSTANT, {"1", "", ' '}, {"1", "", ' '}, ' ', ' ', {0, 0, 1}},
    {LK_CONSTANT, {"", "1", ' '}, {"", "1", '-'}, 'v', ' ', {0, 1, 0}},
    {LK_CONSTANT, {"1", "", ' '}, {"1", "", '-'}, 'v', ' ', {0, 1, 0}},
    {LK_CONSTANT, {"1", "", ' '}, {"1", "", '*'}, ' ', ' ', {}},
    {LK_CONSTANT, {"1", "", '*'}, {"1", "", ' '}, ' ', ' ', {}},
    // Constant rule without a partner: own flag, own column 9.
    {LK_CONSTANT, kUnpaired, {"", "1", ' '}, ' ', '^', {1, 0, 0}},
    {LK_CONSTANT, kUnpaired, {"", "", ' '}, ' ', '^', {1, 0, 0}},
    {LK_CONSTANT, kUnpaired, {"1", "", ' '}, '^', ' ', {1, 0, 0}},
    {LK_CONSTANT, kUnpaired, {"1", "1", ' '}, '^', ' ', {1, 0, 0}},
    {LK_CONSTANT, kUnpaired, {"1", "", '-'}, ' ', ' ', {}},
    {LK_CONSTANT, kUnpaired, {"1", "", '*'}, ' ', ' ', {}},
    // Plain lines: whatever their columns hold.
    {LK_PLAIN, kUnpaired, {"5", "5", ' '}, ' ', ' ', {}},
    {LK_PLAIN, {"", "", '-'}, {"5", "5", ' '}, ' ', ' ', {}},
    {LK_PLAIN, {"5", "5", ' '}, {"0", "0", '-'}, ' ', ' ', {}},
};

TEST(DifferenceMarking, CountConstantAndPlainRules) {
    int row = 0;
    for (const RuleRow& rule : kCountConstantPlainRules) {
        SCOPED_TRACE(::testing::Message() << "row " << row++ << " kind " << rule.kind);
        expectMarked(rule.kind, rule.partner, rule.own, rule.at10, rule.at21, rule.counted);
    }
}

TEST(DifferenceMarking, CountFieldReading) {
    struct Case {
        const char* text;
        int first;
        int last;
        bool nonZero;
        std::uint64_t value;
    };
    const Case cases[] = {
        {"         7", 0, 9, true, 7},
        {"       1 2", 0, 9, true, 12},          // blanks inside the field are skipped
        {"      x 12", 0, 9, false, 0},          // a leading non-digit ends the field
        {"        5-", 0, 9, true, 5},           // as does a trailing one
        {"       000", 0, 9, false, 0},          //
        {"          ", 0, 9, false, 0},          //
        {"4294967296", 0, 9, true, 4294967296},  // a count beyond 32 bits is not 0
        {"0000000001", 0, 9, true, 1},           // the last column decides
        {"00000000x1", 0, 9, false, 0},          //
        {"0 0 0 0 0 ", 0, 9, false, 0},          //
        {"         0345", 0, 9, false, 0},       // columns after the field are not read
        {"abc 7", 0, 9, false, 0},               // a text shorter than the field
        {"  7", 0, 9, true, 7},                  //
        {"98765 ", 2, 4, true, 765},             // a field of another width
        {"98000 ", 2, 4, false, 0},              //
        {"        0 -                                7 FUNCTION", 11, 20, false, 0},
        {"        0         7                        7 FUNCTION", 11, 20, true, 7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(countIsNonZero(c.text, c.first, c.last), c.nonZero) << '"' << c.text << '"';
        EXPECT_EQ(countValue(c.text, c.first, c.last), c.value) << '"' << c.text << '"';
    }
}

std::string fatalMessage(void (*action)(const BuiltListings&), const BuiltListings& listings) {
    try {
        action(listings);
    } catch (const FatalError& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(DifferenceMarking, KindOutOfRangeIsAnInternalError) {
    for (const std::uint32_t kind : {7U, 15U}) {
        BuiltListings memory;
        auto* file2 = newRecord<MonitoredFile>(memory.arena);
        auto* function2 = newRecord<FunctionBlock>(memory.arena);
        memory.lineStore.append(function2->firstLine, function2->lastLine, textOf({"1", "", ' '}))
            ->kind = kind;
        try {
            compareFunction(nullptr, *function2, *file2);
            ADD_FAILURE() << "kind " << kind << " was accepted";
        } catch (const FatalError& error) {
            EXPECT_STREQ(error.what(), "Internal error, data structures look corrupted");
        }
    }
}

FunctionModel functionWith(int lines) {
    FunctionModel model;
    model.lines.push_back(profileLine("1", "", ' ', "10", "FUNCTION f()"));
    for (int i = 1; i < lines; ++i) {
        model.lines.push_back(profileLine("1", "", ' ', std::to_string(10 + i), "return"));
    }
    return model;
}

ListingModel listingOf(std::vector<FunctionModel> functions) {
    ListingModel listing;
    listing.files.emplace_back().functions = std::move(functions);
    return listing;
}

// The lockstep walk on a section marked comparable by hand: the listing-2
// item without a partner is marked as new before the run stops.
TEST(DifferenceMarking, OutOfSyncWalkIsAnInternalError) {
    auto built =
        buildListings(listingOf({functionWith(1)}), listingOf({functionWith(1), functionWith(1)}));
    fileAt(*built->listing2, 0)->comparable = 1;
    EXPECT_EQ(fatalMessage(markDifferences, *built),
              "Internal error, functions out of sync in compare");
    const MonitoredFile& file2 = *fileAt(*built->listing2, 0);
    EXPECT_EQ(lineAt(*functionAt(file2, 1), 0)->markerAt(kTrueMarkerColumn), '^');

    built = buildListings(listingOf({functionWith(2)}), listingOf({functionWith(3)}));
    fileAt(*built->listing2, 0)->comparable = 1;
    EXPECT_EQ(fatalMessage(markDifferences, *built),
              "Internal error, profile lines out of sync in compare");
    EXPECT_EQ(lineAt(*functionAt(*fileAt(*built->listing2, 0), 0), 2)->markerAt(kTrueMarkerColumn),
              '^');

    // Functions and lines that listing 1 has left over are passed over.
    built =
        buildListings(listingOf({functionWith(3), functionWith(1)}), listingOf({functionWith(2)}));
    fileAt(*built->listing2, 0)->comparable = 1;
    EXPECT_EQ(fatalMessage(markDifferences, *built), "(no error)");
    EXPECT_EQ(tallyOf(*built->listing2), (Tally{0, 0, 2}));
}

FunctionModel function(std::vector<std::string> lines) {
    FunctionModel model;
    model.lines = std::move(lines);
    return model;
}

FileModel file(const std::string& name, std::vector<FunctionModel> functions) {
    FileModel model;
    model.monitoredLine = "MONITORED SOURCE FILE : " + name;
    model.functions = std::move(functions);
    return model;
}

template <typename Record>
void spoilCounters(Record& record) {
    record.newHits = 99;
    record.lostHits = 99;
    record.equalHits = 99;
}

TEST(DifferenceMarking, TotalsSumUpAndOnlyMarkerColumnsChange) {
    ListingModel listing1;
    listing1.files = {
        file("a.c", {function({profileLine("1", "", ' ', "10", "FUNCTION f()"),
                               profileLine("5", "0", ' ', "11", "if (x)"),
                               profileLine("0", "", '-', "12", "return")}),
                     function({profileLine("0", "", '-', "20", "FUNCTION g()")}), function({})}),
        file("c.c", {function({profileLine("1", "", ' ', "10", "FUNCTION u()")})}),
        file("d.c", {function({profileLine("1", "", ' ', "10", "FUNCTION v()")})}),
    };
    ListingModel listing2;
    listing2.files = {
        // Compared: f() equal 1, lost 1, new 2; g() new 1; h() has no lines.
        file("a.c", {function({profileLine("1", "", ' ', "10", "FUNCTION f()"),
                               profileLine("0", "3", ' ', "11", "if (x)"),
                               profileLine("2", "", ' ', "12", "return")}),
                     function({profileLine("4", "", ' ', "20", "FUNCTION g()")}), function({})}),
        // Not in listing 1: every covered item is new.
        file("b.c", {function({profileLine("1", "", ' ', "10", "FUNCTION k()"),
                               profileLine("2", "2", ' ', "11", "if (y)"),
                               profileLine("1", "", '-', "12", "const-true")})}),
        // A different structure: new, although listing 1 covers the same.
        file("d.c", {function({profileLine("1", "", ' ', "10", "FUNCTION v()")}),
                     function({profileLine("1", "", ' ', "30", "FUNCTION w()"),
                               profileLine("", "1", ' ', "31", "MC/DC 1:+ a")})}),
    };
    const auto built = buildListings(listing1, listing2);
    ProfileListing& marked = *built->listing2;
    spoilCounters(marked);
    for (MonitoredFile* f = marked.firstFile; f != nullptr; f = f->next) {
        spoilCounters(*f);
        for (FunctionBlock* g = f->firstFunction; g != nullptr; g = g->next) {
            spoilCounters(*g);
        }
    }
    const std::vector<std::string> texts1 = profileTexts(*built->listing1);
    const std::vector<std::string> texts2 = profileTexts(marked);

    pairFiles(*built);
    markDifferences(*built);

    const MonitoredFile& a = *fileAt(marked, 0);
    EXPECT_EQ(tallyOf(*functionAt(a, 0)), (Tally{2, 1, 1}));
    EXPECT_EQ(tallyOf(*functionAt(a, 1)), (Tally{1, 0, 0}));
    EXPECT_EQ(tallyOf(*functionAt(a, 2)), (Tally{0, 0, 0}));
    EXPECT_EQ(tallyOf(a), (Tally{3, 1, 1}));
    EXPECT_EQ(tallyOf(*functionAt(*fileAt(marked, 1), 0)), (Tally{3, 0, 0}));
    EXPECT_EQ(tallyOf(*fileAt(marked, 1)), (Tally{3, 0, 0}));
    EXPECT_STREQ(fileAt(marked, 2)->reason, "different profile");
    EXPECT_EQ(tallyOf(*fileAt(marked, 2)), (Tally{3, 0, 0}));
    EXPECT_EQ(tallyOf(marked), (Tally{9, 1, 1}));

    EXPECT_EQ(profileTexts(*built->listing1), texts1);
    const std::vector<std::string> after = profileTexts(marked);
    ASSERT_EQ(after.size(), texts2.size());
    std::string markers;
    for (std::size_t i = 0; i < after.size(); ++i) {
        std::string unmarked = after[i];
        markers += unmarked[10];
        markers += unmarked[21];
        markers += '|';
        unmarked[10] = texts2[i][10];
        unmarked[21] = texts2[i][21];
        EXPECT_EQ(unmarked, texts2[i]);
    }
    EXPECT_EQ(markers, "  |v^|^ |^ |^ |^^|  |^ |^ | ^|");
}

TEST(DifferenceMarking, ListingWithoutFileSectionsCountsNothing) {
    const auto built = buildListings({}, {});
    spoilCounters(*built->listing2);
    markDifferences(*built);
    EXPECT_EQ(tallyOf(*built->listing2), (Tally{}));
}

}  // namespace
}  // namespace korvcmp::testing
