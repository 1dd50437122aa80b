// The name, for a person, of the count whose marker stands in column 10 or 21
// of a profile line: "TRUE outcome" and "FALSE outcome" of a decision or a
// condition, "hits" of a single count, "calls" of a function.
#pragma once

#include <string_view>

namespace korvcmp {

// `line` is a profile line of at least 31 characters, `description` its
// description (descriptionOf) and `markerColumn` 10 or 21.
std::string_view countNameOf(std::string_view line, std::string_view description, int markerColumn);

}  // namespace korvcmp
