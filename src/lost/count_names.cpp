// Count names by the form of the description, in the order the forms are
// tried; the first that fits decides. Profile lines of other forms carry one
// count in the HITS/TRUE field.
#include "lost/count_names.h"

#include <array>

#include "listing/listing_model.h"
#include "lost/profile_line_fields.h"

namespace korvcmp {
namespace {

enum class Counts {
    Calls,                   // a FUNCTION line: how often the function was entered
    Outcomes,                // TRUE count at column 10, FALSE count at column 21
    OutcomesWhenFalseCount,  // "for ", "while ": outcomes with a FALSE count, else hits
    Constant,                // one count, in the field of the outcome that occurred
    McdcPair,                // an MC/DC row: whether the condition was shown to act alone
};

struct Form {
    std::string_view start;  // the description begins with this
    Counts counts;
};

constexpr std::array kForms = {
    Form{"FUNCTION ", Counts::Calls},
    Form{"if ", Counts::Outcomes},
    Form{"else if ", Counts::Outcomes},
    Form{"do-while ", Counts::Outcomes},
    Form{"ternary-?: ", Counts::Outcomes},
    Form{"expr-andor: ", Counts::Outcomes},
    Form{"COND ", Counts::Outcomes},
    Form{"for ", Counts::OutcomesWhenFalseCount},
    Form{"while ", Counts::OutcomesWhenFalseCount},
    Form{"const-", Counts::Constant},
    Form{"MC/DC ", Counts::McdcPair},
};

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

std::string_view countNameOf(std::string_view line, int markerColumn) {
    const std::string_view description = descriptionOf(line);
    // A condition row begins with its number, 1 to 9.
    if (!description.empty() && description.front() >= '1' && description.front() <= '9') {
        return outcomeAt(markerColumn);
    }
    for (const Form& form : kForms) {
        // The first character rules out most forms without a call to compare.
        if (description.empty() || description.front() != form.start.front() ||
            !description.starts_with(form.start)) {
            continue;
        }
        switch (form.counts) {
            case Counts::Calls:
                return "calls";
            case Counts::Outcomes:
                return outcomeAt(markerColumn);
            case Counts::OutcomesWhenFalseCount:
                return isBlank(line[kFalseCountLast]) ? kHits : outcomeAt(markerColumn);
            case Counts::Constant:
                // A lost constant outcome is marked at column 10 whichever field
                // holds its count.
                return isBlank(line[kTrueCountLast]) && !isBlank(line[kFalseCountLast])
                           ? kFalseOutcome
                           : outcomeAt(markerColumn);
            case Counts::McdcPair:
                return "MC/DC pair";
        }
    }
    return markerColumn == kTrueMarkerColumn ? kHits : "FALSE count";
}

}  // namespace korvcmp
