// The layout of a compared listing as korvcmp writes it: banner and header,
// file sections (MONITORED line, mode line, column heading, include lines,
// function sections, TER block), summary. Lines whose form is fixed are
// checked by the table of steps below; the header, the function sections and
// the gaps between file sections are walked in code.
#include "lost/compared_listing_scanner.h"

#include <array>
#include <cstddef>
#include <optional>
#include <utility>

#include "compare/file_pairing.h"
#include "listing/count_fields.h"
#include "listing/listing_fields.h"
#include "listing/listing_model.h"
#include "listing/listing_texts.h"
#include "listing/profile_line_classifier.h"
#include "listing/ter_figures.h"
#include "lost/profile_line_fields.h"
#include "output/compared_listing_texts.h"

namespace korvcmp {

using State = ComparedListingScanner::State;

namespace {

enum class LineTest : unsigned char { Any, Empty, Equals, StartsWith };

struct FixedStep {
    State state;  // the step's own state, to check the table's order
    LineTest test;
    std::string_view literal;
    // What the line must be, for the message; "%s" stands for the literal.
    std::string_view expected;
    State next;
};

constexpr std::array kFixedSteps = {
    FixedStep{State::BannerTop, LineTest::Any, "", "", State::BannerTitle},
    FixedStep{State::BannerTitle, LineTest::StartsWith, kBannerLine,
              "the Korvo banner line \"*           Korvo, Test Coverage Analyzer ...\"",
              State::BannerBlank},
    FixedStep{State::BannerBlank, LineTest::Any, "", "", State::BannerCompared},
    FixedStep{State::BannerCompared, LineTest::StartsWith, kComparedTitleStart,
              "the banner line \"... EXECUTION PROFILE LISTING (COMPARED by korvcmp v1.0) ...\"",
              State::Header},
    FixedStep{State::FileMode, LineTest::StartsWith, kModeLabel,
              "the \"%s\" line after the MONITORED line", State::FileEmptyBeforeHeading},
    FixedStep{State::FileEmptyBeforeHeading, LineTest::Empty, "", "an empty line",
              State::FileHeading},
    FixedStep{State::FileHeading, LineTest::Equals, kColumnHeading, "the column heading \"%s\"",
              State::FileRule},
    FixedStep{State::FileRule, LineTest::StartsWith, kComparedEqualsRule,
              "a rule line of '=' characters", State::FileEmptyAfterRule},
    FixedStep{State::FileEmptyAfterRule, LineTest::Empty, "", "an empty line", State::Includes},
    FixedStep{State::FunctionTer, LineTest::StartsWith, kTer,
              "the function's \"%s\" line after the empty line that ends its profile lines",
              State::FunctionTerSecond},
    FixedStep{State::FunctionTerSecond, LineTest::Any, "", "", State::FunctionRule},
    FixedStep{State::FunctionRule, LineTest::StartsWith, kComparedHyphenRule,
              "a rule line of '-' characters", State::FunctionEmptyAfterRule},
    FixedStep{State::FunctionEmptyAfterRule, LineTest::Empty, "", "an empty line",
              State::Functions},
    FixedStep{State::FileTer, LineTest::StartsWith, kTer,
              "the file's \"%s\" line after the empty line that ends its functions",
              State::FileTerSecond},
    FixedStep{State::FileTerSecond, LineTest::Any, "", "", State::FileRuleAfterTer},
    FixedStep{State::FileRuleAfterTer, LineTest::StartsWith, kComparedHyphenRule,
              "a rule line of '-' characters", State::BetweenSections},
    FixedStep{State::SummaryRule, LineTest::Equals, kSummaryRule, "\"%s\" after SUMMARY",
              State::SummaryEmpty},
    FixedStep{State::SummaryEmpty, LineTest::Empty, "", "an empty line", State::SummarySourceFiles},
    FixedStep{State::SummarySourceFiles, LineTest::StartsWith, kSourceFilesLabel,
              "the summary line \"%s\"", State::SummaryHeaders},
    FixedStep{State::SummaryHeaders, LineTest::StartsWith, kHeadersExtractedLabel,
              "the summary line \"%s\"", State::SummaryFunctions},
    FixedStep{State::SummaryFunctions, LineTest::StartsWith, kFunctionsLabel,
              "the summary line \"%s\"", State::SummarySourceLines},
    FixedStep{State::SummarySourceLines, LineTest::StartsWith, kSourceLinesLabel,
              "the summary line \"%s\"", State::SummaryTer},
    FixedStep{State::SummaryTer, LineTest::StartsWith, kSummaryTerLabel,
              "the first summary line \"%s\"", State::SummaryTerSecond},
    FixedStep{State::SummaryTerSecond, LineTest::StartsWith, kSummaryTerLabel,
              "the second summary line \"%s\"", State::End},
};

constexpr bool fixedStepsAreInStateOrder() {
    for (std::size_t i = 0; i < kFixedSteps.size(); ++i) {
        if (static_cast<std::size_t>(kFixedSteps[i].state) != i) {
            return false;
        }
    }
    return static_cast<std::size_t>(State::Header) == kFixedSteps.size();
}
static_assert(fixedStepsAreInStateOrder());

// What the step expects, in words, with its literal in place of "%s".
std::string expectedBy(const FixedStep& step) {
    std::string text(step.expected);
    if (const std::size_t at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, step.literal);
    }
    return text;
}

bool passes(const FixedStep& step, std::string_view line) {
    switch (step.test) {
        case LineTest::Any:
            return true;
        case LineTest::Empty:
            return line.empty();
        case LineTest::Equals:
            return line == step.literal;
        case LineTest::StartsWith:
            return line.starts_with(step.literal);
    }
    return false;
}

// The reasons korvcmp gives at the end of the MONITORED line of a file
// section it did not compare.
constexpr std::array<std::string_view, 2> kNotComparedReasons = {kReasonNoFile,
                                                                 kReasonDifferentProfile};

// The reason `path` (the end of a MONITORED line) ends in, removed from it;
// empty when it ends in none.
std::string_view takeNotComparedReason(std::string_view& path) {
    if (!path.ends_with(kNoCompareClosing)) {
        return {};
    }
    const std::string_view opened = path.substr(0, path.size() - kNoCompareClosing.size());
    for (const std::string_view reason : kNotComparedReasons) {
        if (opened.ends_with(reason) &&
            opened.substr(0, opened.size() - reason.size()).ends_with(kNoCompareOpening)) {
            path.remove_suffix(kNoCompareOpening.size() + reason.size() + kNoCompareClosing.size());
            return reason;
        }
    }
    return {};
}

bool holdsAt(std::string_view line, std::size_t column, std::string_view text) {
    return line.size() >= column + text.size() && line.substr(column, text.size()) == text;
}

bool isFunctionLine(std::string_view line) {
    return line.size() >= kMinFunctionLineLength && holdsAt(line, kDescriptionColumn, kFunction);
}

bool isDirectiveLine(std::string_view line) {
    return holdsAt(line, kDescriptionColumn, kLineDirective);
}

}  // namespace

bool ComparedListingScanner::takeOtherLine(std::string_view line, std::int64_t number) {
    switch (state_) {
        case State::ProfileLines:
            if (line.empty()) {
                state_ = State::FunctionTer;
                return true;
            }
            return takeProfileLine(line, number);
        case State::Header:
            return takeHeaderLine(line, number);
        case State::Includes:
        case State::Functions:
            return takeFunctionsLine(line, number);
        case State::AfterDirective:
            if (!isFunctionLine(line)) {
                return fail(number, "expected the FUNCTION line that follows a \"#line\" line");
            }
            return takeFunctionLine(line, number,
                                    directiveFile_.empty() ? filePath_ : directiveFile_);
        case State::BetweenSections:
            return takeBetweenSectionsLine(line, number);
        case State::End:
            return fail(number,
                        "a line after the summary: a compared listing ends with its second \"" +
                            std::string(kSummaryTerLabel) + "\" line");
        default:
            return takeFixedStep(line, number);
    }
}

bool ComparedListingScanner::takeFixedStep(std::string_view line, std::int64_t number) {
    const FixedStep& step = kFixedSteps[static_cast<std::size_t>(state_)];
    if (!passes(step, line)) {
        if (state_ == State::BannerCompared && line == kTitleLine) {
            return fail(number,
                        "not a compared listing but a listing korvcmp has not compared; "
                        "read the listing korvcmp writes");
        }
        if (state_ <= State::BannerCompared) {
            return fail(number, "not a compared listing: expected " + expectedBy(step));
        }
        return fail(number, "expected " + expectedBy(step));
    }
    const State state = state_;
    state_ = step.next;
    switch (state) {
        case State::FileMode:
            fileIsFunctionOnly_ = viewIsFunctionOnly_ || line.starts_with(kFunctionOnlyMode);
            return true;
        case State::FunctionTer:
            return checkTerFigures(line, number, functionMarkers_, "function");
        case State::FileTer:
            return checkTerFigures(line, number, fileMarkers_, "file section");
        case State::SummaryTer:
            return checkTerFigures(line, number, listingMarkers_, "listing");
        default:
            return true;
    }
}

bool ComparedListingScanner::checkTerFigures(std::string_view terLine, std::int64_t number,
                                             const MarkerCount& count, const char* owner) {
    // korvcmp puts "[h + n - l]" right after the first "(": n new and l lost.
    const std::optional<ChangeFigures> figures = parseChangeFigures(terLine);
    if (!figures) {
        return fail(number,
                    "no difference figures \"[h + n - l]\" after the first \"(\" of the "
                    "TER line");
    }
    // korvcmp writes the figures as 64-bit numbers.
    if (figures->newHits != count.added || figures->lostHits != count.lost) {
        return fail(number, "the TER figures say " + std::to_string(figures->newHits) +
                                " new and " + std::to_string(figures->lostHits) + " lost, the " +
                                owner + " holds " + std::to_string(count.added) + " ^ and " +
                                std::to_string(count.lost) +
                                " v markers: the listing was changed after korvcmp wrote it");
    }
    return true;
}

bool ComparedListingScanner::takeHeaderLine(std::string_view line, std::int64_t number) {
    const bool startsFile = line.starts_with(kMonitored);
    if (startsFile || line.starts_with(kSummary)) {
        if (!sawCoverageView_) {
            return fail(number,
                        "the header has no \"" + std::string(kCoverageViewLabel) + "\" line");
        }
        if (startsFile) {
            startFile(line, number);
        } else {
            state_ = State::SummaryRule;
        }
    } else if (line.starts_with(kCoverageViewLabel)) {
        sawCoverageView_ = true;
        viewIsFunctionOnly_ = line.substr(kCoverageViewLabel.size()).starts_with(kFunctionOnlyView);
    }
    return true;
}

bool ComparedListingScanner::takeFunctionsLine(std::string_view line, std::int64_t number) {
    if (state_ == State::Includes && line.starts_with(kInclude)) {
        return true;
    }
    if (isDirectiveLine(line)) {
        readLineDirectiveFile(line, directiveFile_);
        state_ = State::AfterDirective;
        return true;
    }
    if (isFunctionLine(line)) {
        return takeFunctionLine(line, number, filePath_);
    }
    if (line.empty()) {
        state_ = State::FileTer;
        return true;
    }
    if (line.size() < kMinFunctionLineLength) {
        return fail(number,
                    "a line cut short where a FUNCTION line, a \"#line\" line or the "
                    "empty line after the file's functions must come");
    }
    return fail(number,
                "expected a FUNCTION line, a \"#line\" line or the empty line after the "
                "file's functions");
}

bool ComparedListingScanner::takeFunctionLine(std::string_view line, std::int64_t number,
                                              std::string_view file) {
    functionName_.assign(functionNameOf(line));
    functionFile_.assign(file);
    functionHasLost_ = false;
    functionMarkers_ = {};
    state_ = fileIsFunctionOnly_ ? State::Functions : State::ProfileLines;
    return takeProfileLine(line, number);
}

bool ComparedListingScanner::failProfileLine(std::string_view line, std::int64_t number) {
    if (line.size() < static_cast<std::size_t>(kMinProfileLineLength)) {
        return fail(number, "profile line cut short: " + std::to_string(line.size()) +
                                " characters, a profile line has at least 31");
    }
    const int stray = strayMarkerColumn(line);
    return fail(number, std::string("marker '") + line[stray] + "' in column " +
                            std::to_string(stray) + ": markers stand only in columns 10 and 21");
}

bool ComparedListingScanner::takeBetweenSectionsLine(std::string_view line, std::int64_t number) {
    if (line.empty()) {
        return true;
    }
    if (line.starts_with(kMonitored)) {
        startFile(line, number);
        return true;
    }
    if (line.starts_with(kSummary)) {
        state_ = State::SummaryRule;
        return true;
    }
    return fail(number, "expected a MONITORED line or the SUMMARY line after a file section");
}

void ComparedListingScanner::startFile(std::string_view monitoredLine, std::int64_t number) {
    std::string_view path = monitoredPath(monitoredLine);
    const std::string_view reason = takeNotComparedReason(path);
    filePath_.assign(path);
    fileIsCompared_ = reason.empty();
    fileHasLost_ = false;
    fileMarkers_ = {};
    state_ = State::FileMode;
    sink_.fileSection();
    if (!fileIsCompared_) {
        ++totals_.filesNotCompared;
        sink_.uncomparedFile(UncomparedFile{filePath_, reason, number});
    }
}

void ComparedListingScanner::reportMarker(std::string_view line, std::int64_t number, int column,
                                          bool lost) {
    if (lost) {
        ++totals_.lost;
        totals_.functionsWithLost += functionHasLost_ ? 0 : 1;
        totals_.filesWithLost += fileHasLost_ ? 0 : 1;
        functionHasLost_ = true;
        fileHasLost_ = true;
    } else {
        ++totals_.added;
    }
    // Every field given here: nothing is set twice.
    const std::string_view description = descriptionOf(line);
    const MarkedItem item{
        .change = lost ? CoverageChange::Lost : CoverageChange::New,
        .file = functionFile_,
        .sourceLine = sourceLineNumberOf(line),
        .function = functionName_,
        .count =
            markedCountOf(line, profileLineKindOf(line, nullptr).value_or(LK_PLAIN), column).name,
        .markerColumn = column,
        .description = description,
        .listingLine = number,
    };
    sink_.markedItem(item);
}

bool ComparedListingScanner::finish(std::int64_t lastLine) {
    if (state_ == State::End) {
        return true;
    }
    if (lastLine == 0) {
        return fail(0, "nothing to read (an empty file, or a directory): not a compared listing");
    }
    if (state_ <= State::BannerCompared || state_ == State::Header) {
        return fail(lastLine, "the listing ends in its header");
    }
    if (state_ == State::BetweenSections) {
        return fail(lastLine, "the listing ends before its summary");
    }
    if (state_ >= State::SummaryRule && state_ <= State::SummaryTerSecond) {
        return fail(lastLine, "the listing ends inside its summary");
    }
    return fail(lastLine, "the listing ends inside a file section");
}

bool ComparedListingScanner::fail(std::int64_t number, std::string message) {
    problem_.line = number;
    problem_.message = std::move(message);
    return false;
}

}  // namespace korvcmp
