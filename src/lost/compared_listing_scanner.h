// Walks a compared listing line by line, checks that it has the layout korvcmp
// writes, and hands every marked coverage item and every file section that
// was not compared to a FindingSink, with the source file, line and function
// it belongs to. It does not read: it is given each line with its number.
// Memory stays the same whatever the listing's size: only the current file's
// and function's names are kept.
//
// Every TER line of a compared listing says how many items of its function,
// file or listing are new and lost; they must be as many as the markers above
// it, so a marked line dropped, doubled or changed after korvcmp wrote the
// listing is found, and no partial answer passes for a whole one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "listing/listing_model.h"
#include "lost/coverage_findings.h"
#include "lost/profile_line_fields.h"

namespace korvcmp {

// Where and why a listing is not a complete compared listing.
struct ListingProblem {
    std::int64_t line = 0;
    std::string message;
};

class ComparedListingScanner {
  public:
    // New coverage is counted in any case, and handed to `sink` only with
    // `reportNew`.
    ComparedListingScanner(FindingSink& sink, bool reportNew)
        : sink_(sink), reportNew_(reportNew) {}

    // The next line of the listing, without its line end, and its number.
    // False when the line does not fit: see problem(). No line may be given
    // after that. Most lines of a listing are profile lines: they are taken
    // here, the others out of line.
    bool takeLine(std::string_view line, std::int64_t number) {
        if (state_ == State::ProfileLines &&
            line.size() >= static_cast<std::size_t>(kMinProfileLineLength)) {
            return takeWholeProfileLine(line, number);
        }
        return takeOtherLine(line, number);
    }
    // The listing ended after line `lastLine`; false when it is incomplete.
    bool finish(std::int64_t lastLine);

    const ListingProblem& problem() const { return problem_; }
    const FindingTotals& totals() const { return totals_; }

    enum class State : unsigned char {
        // Lines of a fixed form, checked by a table (kFixedSteps) in this order.
        BannerTop,
        BannerTitle,
        BannerBlank,
        BannerCompared,
        FileMode,
        FileEmptyBeforeHeading,
        FileHeading,
        FileRule,
        FileEmptyAfterRule,
        FunctionTer,
        FunctionTerSecond,
        FunctionRule,
        FunctionEmptyAfterRule,
        FileTer,
        FileTerSecond,
        FileRuleAfterTer,
        SummaryRule,
        SummaryEmpty,
        SummarySourceFiles,
        SummaryHeaders,
        SummaryFunctions,
        SummarySourceLines,
        SummaryTer,
        SummaryTerSecond,
        // The states walked in code.
        Header,           // after the banner, up to the first MONITORED or SUMMARY line
        Includes,         // a file section's include lines, then as Functions
        Functions,        // a "#line " line, a FUNCTION line, or the empty line after the last
        AfterDirective,   // the FUNCTION line after a "#line " line
        ProfileLines,     // a function's profile lines up to the empty line
        BetweenSections,  // empty lines, then a MONITORED or the SUMMARY line
        End,              // after the summary: nothing may follow
    };

  private:
    // The markers counted since a function, a file section or the listing began.
    struct MarkerCount {
        std::int64_t added = 0;
        std::int64_t lost = 0;
    };

    bool takeProfileLine(std::string_view line, std::int64_t number) {
        if (line.size() < static_cast<std::size_t>(kMinProfileLineLength)) {
            return failProfileLine(line, number);
        }
        return takeWholeProfileLine(line, number);
    }

    // A profile line of at least the shortest length.
    bool takeWholeProfileLine(std::string_view line, std::int64_t number) {
        const std::uint32_t markers = markerColumns(line);
        if (markers == 0) {
            return true;  // most profile lines: no change
        }
        if ((markers & kCountFieldBits) != 0) {
            return failProfileLine(line, number);
        }
        if ((markers >> kTrueMarkerColumn & 1) != 0) {
            countMarker(line, number, kTrueMarkerColumn);
        }
        if ((markers >> kFalseMarkerColumn & 1) != 0) {
            countMarker(line, number, kFalseMarkerColumn);
        }
        return true;
    }

    // The marker in `column`, counted; an item to report is made out of line.
    void countMarker(std::string_view line, std::int64_t number, int column) {
        const bool lost = line[column] == kLostMarker;
        std::int64_t MarkerCount::*const counted = lost ? &MarkerCount::lost : &MarkerCount::added;
        ++(functionMarkers_.*counted);
        ++(fileMarkers_.*counted);
        ++(listingMarkers_.*counted);
        if (!fileIsCompared_) {
            return;  // its lines had no partner: every covered item is new, none can be lost
        }
        if (lost || reportNew_) {
            reportMarker(line, number, column, lost);
        } else {
            ++totals_.added;
        }
    }

    bool takeOtherLine(std::string_view line, std::int64_t number);
    bool takeFixedStep(std::string_view line, std::int64_t number);
    bool takeHeaderLine(std::string_view line, std::int64_t number);
    bool takeFunctionsLine(std::string_view line, std::int64_t number);
    bool takeFunctionLine(std::string_view line, std::int64_t number, std::string_view file);
    bool takeBetweenSectionsLine(std::string_view line, std::int64_t number);
    void startFile(std::string_view monitoredLine, std::int64_t number);
    void reportMarker(std::string_view line, std::int64_t number, int column, bool lost);
    bool checkTerFigures(std::string_view terLine, std::int64_t number, const MarkerCount& count,
                         const char* owner);
    bool failProfileLine(std::string_view line, std::int64_t number);
    bool fail(std::int64_t number, std::string message);

    FindingSink& sink_;
    const bool reportNew_;
    State state_ = State::BannerTop;
    bool viewIsFunctionOnly_ = false;  // the coverage view reduces to function coverage
    bool sawCoverageView_ = false;
    bool fileIsFunctionOnly_ = false;
    bool fileIsCompared_ = true;
    bool fileHasLost_ = false;
    bool functionHasLost_ = false;
    std::string filePath_;
    std::string directiveFile_;  // the file of the "#line " line before a FUNCTION line
    std::string functionFile_;
    std::string functionName_;
    MarkerCount functionMarkers_;
    MarkerCount fileMarkers_;
    MarkerCount listingMarkers_;
    FindingTotals totals_;
    ListingProblem problem_;
};

}  // namespace korvcmp
