// The marking rules by kind of profile line, and the totals.
#include "compare/difference_marking.h"

#include <array>

#include "base/fatal.h"
#include "listing/count_fields.h"

namespace korvcmp {
namespace {

struct Totals {
    std::int64_t newHits = 0;
    std::int64_t lostHits = 0;
    std::int64_t equalHits = 0;
};

using Count = ItemVerdict;

void count(Totals& totals, Count what) {
    switch (what) {
        case Count::New:
            ++totals.newHits;
            break;
        case Count::Lost:
            ++totals.lostHits;
            break;
        case Count::Equal:
            ++totals.equalHits;
            break;
        case Count::None:
            break;
    }
}

char markerFor(Count what) {
    return what == Count::New ? kNewMarker : what == Count::Lost ? kLostMarker : '\0';
}

// A coverage flag (column 22) as the rules see it.
enum class Flag { Blank, Dash, Other };

Flag flagOf(const ListingLine& line) {
    const char c = line.text()[kCoverageFlagColumn];
    return c == ' ' ? Flag::Blank : c == '-' ? Flag::Dash : Flag::Other;
}

bool isBlankAt(const ListingLine& line, int column) {
    return line.text()[column] == ' ';
}

void setMarker(ListingLine& line, int column, Count what) {
    if (const char marker = markerFor(what); marker != '\0') {
        line.setMarker(column, marker);
    }
}

// Coverage flag rule, for a line with a partner: partner flag x own flag.
// Rows: partner Blank, Dash, Other; columns: own Blank, Dash, Other.
constexpr std::array<std::array<Count, 3>, 3> kFlagRule = {{
    {Count::Equal, Count::Lost, Count::None},  // partner covered
    {Count::New, Count::None, Count::None},    // partner not covered
    {Count::None, Count::None, Count::None},   // partner flag unknown
}};

// Count rule for one field: partner value zero or not x own value zero or not.
Count countRule(bool partnerCovered, bool ownCovered) {
    if (partnerCovered) {
        return ownCovered ? Count::Equal : Count::Lost;
    }
    return ownCovered ? Count::New : Count::None;
}

// The verdict at marker column `markerColumn` alone.
LineVerdict verdictAt(int markerColumn, Count what) {
    LineVerdict verdict;
    (markerColumn == kTrueMarkerColumn ? verdict.atTrueMarker : verdict.atFalseMarker) = what;
    return verdict;
}

inline LineVerdict flagRule(const ListingLine& own, const ListingLine* partner, int markerColumn) {
    const Flag ownFlag = flagOf(own);
    const Count what =
        partner == nullptr
            ? (ownFlag == Flag::Blank ? Count::New : Count::None)
            : kFlagRule[static_cast<int>(flagOf(*partner))][static_cast<int>(ownFlag)];
    return verdictAt(markerColumn, what);
}

inline LineVerdict countRuleVerdict(const ListingLine& own, const ListingLine* partner) {
    const std::string_view ownText = own.view();
    const bool ownTrue = countIsNonZero(ownText, 0, kTrueCountLast);
    const bool ownFalse = countIsNonZero(ownText, kFalseCountFirst, kFalseCountLast);
    bool partnerTrue = false;
    bool partnerFalse = false;
    if (partner != nullptr) {
        partnerTrue = countIsNonZero(partner->view(), 0, kTrueCountLast);
        partnerFalse = countIsNonZero(partner->view(), kFalseCountFirst, kFalseCountLast);
    }
    return {countRule(partnerTrue, ownTrue), countRule(partnerFalse, ownFalse)};
}

// Constant rule: one count in either field. New coverage is marked after the
// field that holds the count; lost coverage is always marked at column 10.
LineVerdict constantRule(const ListingLine& own, const ListingLine* partner) {
    const Flag ownFlag = flagOf(own);
    Count what = Count::None;
    int markerColumn = kTrueMarkerColumn;
    if (partner == nullptr) {
        if (ownFlag == Flag::Blank) {
            what = Count::New;
            markerColumn = isBlankAt(own, kTrueCountLast) ? kFalseMarkerColumn : kTrueMarkerColumn;
        }
    } else {
        switch (flagOf(*partner)) {
            case Flag::Dash:
                if (ownFlag != Flag::Dash) {
                    if (isBlankAt(own, kFalseCountLast)) {
                        what = Count::New;
                    } else if (isBlankAt(own, kTrueCountLast)) {
                        what = Count::New;
                        markerColumn = kFalseMarkerColumn;
                    }
                }
                break;
            case Flag::Blank:
                what = kFlagRule[static_cast<int>(Flag::Blank)][static_cast<int>(ownFlag)];
                break;
            case Flag::Other:
                break;
        }
    }
    return verdictAt(markerColumn, what);
}

// The rule of the line's kind; the one place that decides what korvcmp marks.
inline LineVerdict verdictOf(const ListingLine& own, const ListingLine* partner) {
    switch (own.lineKind()) {
        case LK_PLAIN:
            return {};
        case LK_HITS:
        case LK_CONDITION_TRUE:
            return flagRule(own, partner, kTrueMarkerColumn);
        case LK_CONDITION_FALSE:
        case LK_MCDC:
            return flagRule(own, partner, kFalseMarkerColumn);
        case LK_DECISION:
            return countRuleVerdict(own, partner);
        case LK_CONSTANT:
            return constantRule(own, partner);
    }
    fatal("Internal error, data structures look corrupted");
}

void markLine(ListingLine& own, const ListingLine* partner, Totals& totals) {
    if (own.lineKind() == LK_PLAIN) {
        return;
    }
    const LineVerdict verdict = verdictOf(own, partner);
    if (verdict.atTrueMarker != Count::None) {
        count(totals, verdict.atTrueMarker);
        setMarker(own, kTrueMarkerColumn, verdict.atTrueMarker);
    }
    if (verdict.atFalseMarker != Count::None) {
        count(totals, verdict.atFalseMarker);
        setMarker(own, kFalseMarkerColumn, verdict.atFalseMarker);
    }
}

template <typename Record>
void setTotals(Record& record, const Totals& totals) {
    record.newHits = totals.newHits;
    record.lostHits = totals.lostHits;
    record.equalHits = totals.equalHits;
}

template <typename Whole, typename Part>
void addTotals(Whole& record, const Part& part) {
    record.newHits += part.newHits;
    record.lostHits += part.lostHits;
    record.equalHits += part.equalHits;
}

}  // namespace

LineVerdict judgeLine(const ListingLine& own, const ListingLine* partner) {
    return verdictOf(own, partner);
}

void compareFunction(const FunctionBlock* function1, FunctionBlock& function2,
                     MonitoredFile& file2) {
    Totals totals;
    const ListingLine* partner = function1 != nullptr ? function1->firstLine : nullptr;
    for (ListingLine* line = function2.firstLine; line != nullptr; line = line->next()) {
        markLine(*line, partner, totals);
        if (function1 != nullptr) {
            if (partner == nullptr) {
                fatal("Internal error, profile lines out of sync in compare");
            }
            partner = partner->next();
        }
    }
    setTotals(function2, totals);
    addTotals(file2, function2);
}

void markFile(const MonitoredFile* file1, MonitoredFile& file2) {
    setTotals(file2, Totals{});
    if (file2.comparable == 0) {
        for (FunctionBlock* function2 = file2.firstFunction; function2 != nullptr;
             function2 = function2->next) {
            compareFunction(nullptr, *function2, file2);
        }
        return;
    }
    const FunctionBlock* function1 = file1 != nullptr ? file1->firstFunction : nullptr;
    for (FunctionBlock* function2 = file2.firstFunction; function2 != nullptr;
         function2 = function2->next) {
        compareFunction(function1, *function2, file2);
        if (file1 != nullptr) {
            if (function1 == nullptr) {
                fatal("Internal error, functions out of sync in compare");
            }
            function1 = function1->next;
        }
    }
}

}  // namespace korvcmp
