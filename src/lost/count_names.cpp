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

// For each character, the first form whose description begins with it;
// kForms.size() when none does.
constexpr auto kFirstFormByStart = [] {
    std::array<unsigned char, 256> first{};
    first.fill(static_cast<unsigned char>(kForms.size()));
    for (std::size_t form = kForms.size(); form-- > 0;) {
        first[static_cast<unsigned char>(kForms[form].start.front())] =
            static_cast<unsigned char>(form);
    }
    return first;
}();

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
    const char start = description.empty() ? '\0' : description.front();
    // A condition row begins with its number, 1 to 9.
    if (start >= '1' && start <= '9') {
        return outcomeAt(markerColumn);
    }
    // The first character rules out most forms without a compare.
    for (std::size_t index = kFirstFormByStart[static_cast<unsigned char>(start)];
         index < kForms.size(); ++index) {
        const Form& form = kForms[index];
        if (form.start.front() != start || !description.starts_with(form.start)) {
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
