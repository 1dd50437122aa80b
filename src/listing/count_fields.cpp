// Count fields read as text and as numbers, and the one decision of which
// count a marker stands for and what it is called.
#include "listing/count_fields.h"

#include "listing/listing_texts.h"
#include "listing/profile_line_classifier.h"

namespace korvcmp {
namespace {

constexpr std::string_view kCalls = "calls";
constexpr std::string_view kHits = "hits";
constexpr std::string_view kTrueOutcome = "TRUE outcome";
constexpr std::string_view kFalseOutcome = "FALSE outcome";
constexpr std::string_view kMcdcPair = "MC/DC pair";

bool isBlank(char c) {
    return c == ' ';
}

// Empty fields are views into `text` too, never null ones.
std::string_view countFieldOf(std::string_view text, std::size_t first, std::size_t last) {
    if (text.size() <= last) {
        return text.substr(text.size());
    }
    std::string_view field = text.substr(first, last + 1 - first);
    const std::size_t from = field.find_first_not_of(' ');
    if (from == std::string_view::npos) {
        return field.substr(field.size());
    }
    return field.substr(from, field.find_last_not_of(' ') + 1 - from);
}

CountField fieldAt(int markerColumn) {
    return markerColumn == kTrueMarkerColumn ? CountField::True : CountField::False;
}

MarkedCount outcome(CountField field) {
    return {field, field == CountField::True ? kTrueOutcome : kFalseOutcome};
}

}  // namespace

std::string_view trueCountOf(std::string_view text) {
    return countFieldOf(text, 0, kTrueCountLast);
}

std::string_view falseCountOf(std::string_view text) {
    return countFieldOf(text, kFalseCountFirst, kFalseCountLast);
}

std::string_view countTextOf(std::string_view text, CountField field) {
    return field == CountField::True ? trueCountOf(text) : falseCountOf(text);
}

std::uint64_t countValue(std::string_view text, int first, int last) {
    std::uint64_t value = 0;
    for (auto column = static_cast<std::size_t>(first);
         column <= static_cast<std::size_t>(last) && column < text.size(); ++column) {
        const char c = text[column];
        if (c == ' ') {
            continue;
        }
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

std::uint64_t countValueOf(std::string_view text, CountField field) {
    return field == CountField::True ? countValue(text, 0, kTrueCountLast)
                                     : countValue(text, kFalseCountFirst, kFalseCountLast);
}

MarkedCount markedCountOf(std::string_view text, LineKind kind, int markerColumn) {
    switch (kind) {
        case LK_HITS:
            return {CountField::True, descriptionOf(text).starts_with(kFunction) ? kCalls : kHits};
        case LK_DECISION:
            return outcome(fieldAt(markerColumn));
        case LK_CONDITION_TRUE:
            return outcome(CountField::True);
        case LK_CONDITION_FALSE:
            return outcome(CountField::False);
        case LK_CONSTANT:
            // The field that holds the one count, when only one does.
            if (isBlank(text[kTrueCountLast]) != isBlank(text[kFalseCountLast])) {
                return outcome(isBlank(text[kTrueCountLast]) ? CountField::False
                                                             : CountField::True);
            }
            return outcome(fieldAt(markerColumn));
        case LK_MCDC:
            return {CountField::False, kMcdcPair};
        case LK_PLAIN:
            break;
    }
    // No marker belongs on such a line; name the field it stands after.
    return {fieldAt(markerColumn), kHits};
}

}  // namespace korvcmp
