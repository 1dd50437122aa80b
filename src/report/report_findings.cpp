// The SARIF log and the Code Quality report of korvcmp-report.
#include "report/report_findings.h"

#include <array>

#include "listing/count_fields.h"
#include "listing/listing_fields.h"
#include "listing/listing_texts.h"
#include "listing/profile_line_classifier.h"
#include "output/code_quality_report.h"

namespace korvcmp {
namespace {

constexpr std::string_view kToolName = "korvcmp-report";

// The name on a function's FUNCTION line.
std::string_view functionNameOf(const FunctionBlock& function) {
    if (function.firstLine == nullptr) {
        return {};
    }
    std::string_view name = descriptionOf(function.firstLine->view());
    if (name.starts_with(kFunction)) {
        name.remove_prefix(kFunction.size());
    }
    return name;
}

// The rule of an item's change: none for any change but lost and added
// uncovered.
std::size_t ruleOf(ItemChange change, std::size_t lostRule, std::size_t uncoveredRule,
                   std::size_t none) {
    return change == ItemChange::Lost             ? lostRule
           : change == ItemChange::AddedUncovered ? uncoveredRule
                                                  : none;
}

}  // namespace

void ReportFindings::begin() {
    if (sarif_ != nullptr) {
        writeSarifStart(*sarif_, kToolName, kRules);
    }
    if (codeQuality_ != nullptr) {
        writeCodeQualityStart(*codeQuality_);
    }
}

std::string_view ReportFindings::fileOf(std::string_view path, const FunctionBlock& function) {
    // The lines of a function after a "#line" line are lines of the file it names.
    if (function.lineDirective == nullptr) {
        return path;
    }
    readLineDirectiveFile(function.lineDirective->view(), directiveFile_);
    return directiveFile_.empty() ? path : std::string_view(directiveFile_);
}

void ReportFindings::comparedSection(std::string_view path, const MonitoredFile& file2) {
    if (!wanted() || file2.lostHits == 0) {
        return;
    }
    for (const FunctionBlock* function = file2.firstFunction; function != nullptr;
         function = function->next) {
        if (function->lostHits == 0) {
            continue;
        }
        const std::string_view file = fileOf(path, *function);
        const std::string_view name = functionNameOf(*function);
        for (const ListingLine* line = function->firstLine; line != nullptr; line = line->next()) {
            for (const int column : {kTrueMarkerColumn, kFalseMarkerColumn}) {
                if (line->markerAt(column) == kLostMarker) {
                    item(kLostRule, file, name, *line, column);
                }
            }
        }
    }
}

void ReportFindings::section(std::string_view path, const SectionAlignment& alignment) {
    if (!wanted()) {
        return;
    }
    constexpr std::size_t kNone = 2;
    for (const AlignedFunction& function : alignment.functions) {
        if (function.function2 == nullptr) {
            continue;  // deleted code has no place in listing 2
        }
        const std::string_view file = fileOf(path, *function.function2);
        const std::string_view name = functionNameOf(*function.function2);
        for (const AlignedLine& line : function.lines) {
            if (line.line2 == nullptr) {
                continue;
            }
            const std::size_t trueRule = ruleOf(line.trueItem, kLostRule, kUncoveredRule, kNone);
            if (trueRule != kNone) {
                item(trueRule, file, name, *line.line2, kTrueMarkerColumn);
            }
            const std::size_t falseRule = ruleOf(line.falseItem, kLostRule, kUncoveredRule, kNone);
            if (falseRule != kNone) {
                item(falseRule, file, name, *line.line2, kFalseMarkerColumn);
            }
        }
    }
}

void ReportFindings::item(std::size_t rule, std::string_view file, std::string_view function,
                          const ListingLine& line, int markerColumn) {
    const std::string_view text = line.view();
    const MarkedCount count = markedCountOf(text, line.lineKind(), markerColumn);
    const std::string_view description = descriptionOf(text);
    // "COUNT in FUNCTION: DESCRIPTION", as korvcmp-lost words an item; own
    // words and texts of the listing take turns (FindingResult::message).
    // Code Quality shows no rule beside it: the message begins with it.
    std::array<std::string_view, 6> message = {"", count.name, " in ", function, ": ", description};
    FindingResult result{rule, message, file, line.lineNumber,
                         fingerprints_[rule].ofItem(file, function, description, count.name)};
    if (sarif_ != nullptr) {
        writeSarifResult(*sarif_, kRules, result, locations_, first_);
    }
    if (codeQuality_ != nullptr) {
        message[0] = rule == kLostRule ? "Lost coverage: " : "New code not covered: ";
        writeCodeQualityResult(*codeQuality_, kRules, result, first_);
    }
    first_ = false;
}

void ReportFindings::finish(std::string_view listing) {
    FindingsEnd end;
    end.listing = listing;
    if (sarif_ != nullptr) {
        writeSarifEnd(*sarif_, end);
    }
    if (codeQuality_ != nullptr) {
        writeCodeQualityEnd(*codeQuality_, end, first_);
    }
}

}  // namespace korvcmp
