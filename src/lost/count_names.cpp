// Count names by the kind the classifier gives the profile line: the forms of
// a description are known in one table, the classifier's.
#include "lost/count_names.h"

#include <optional>

#include "listing/listing_model.h"
#include "listing/listing_texts.h"
#include "listing/profile_line_classifier.h"

namespace korvcmp {
namespace {

constexpr std::string_view kTrueOutcome = "TRUE outcome";
constexpr std::string_view kFalseOutcome = "FALSE outcome";
constexpr std::string_view kHits = "hits";

bool isBlank(char c) {
    return c == ' ';
}

std::string_view outcomeAt(int markerColumn) {
    return markerColumn == kTrueMarkerColumn ? kTrueOutcome : kFalseOutcome;
}

}  // namespace

std::string_view countNameOf(std::string_view line, std::string_view description,
                             int markerColumn) {
    if (description.starts_with(kFunction)) {
        return "calls";
    }
    // Without a coverage view a condition row has the kind of the field its
    // count stands in; either way both of its fields are outcomes.
    switch (profileLineKindOf(line, nullptr).value_or(LK_PLAIN)) {
        case LK_DECISION:
        case LK_CONDITION_TRUE:
        case LK_CONDITION_FALSE:
            return outcomeAt(markerColumn);
        case LK_CONSTANT:
            // A lost constant outcome is marked at column 10 whichever field
            // holds its count.
            return isBlank(line[kTrueCountLast]) && !isBlank(line[kFalseCountLast])
                       ? kFalseOutcome
                       : outcomeAt(markerColumn);
        case LK_MCDC:
            return "MC/DC pair";
        default:
            return markerColumn == kTrueMarkerColumn ? kHits : "FALSE count";
    }
}

}  // namespace korvcmp
