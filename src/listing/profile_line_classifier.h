// Decides how a stored profile line takes part in the comparison: its source
// line number, its kind and the end of the text that the structure test
// compares. A line that fits no known form ends the run.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "listing/count_fields.h"
#include "listing/line_store.h"
#include "listing/listing_model.h"

namespace korvcmp {

inline constexpr const char* kStrangeLineMessage = "Strange profile listing line: %s\n";
inline constexpr const char* kMcdcCoverageView = "Reduced to MC/DC coverage";

// The source line number of the profile line `text` (at least 31
// characters): the digits in columns 24 to 29, blanks skipped wherever they
// stand; any other character ends the number. 0 when there are none.
std::uint32_t sourceLineNumberOf(std::string_view text);

// The description of a profile line: the text from column 30 on, after the
// blanks that begin it.
std::string_view descriptionOf(std::string_view text);

// The kind classifyProfileLine gives the profile line `text` (at least 31
// characters); none when it fits no known form.
std::optional<LineKind> profileLineKindOf(std::string_view text, const char* listing2CoverageView);

// Sets lineNumber, kind and compareEnd of `line` from its text. Condition rows
// depend on listing 2's coverage view (none: no view), which decides them
// for listing 1's lines too.
void classifyProfileLine(ListingLine& line, const char* listing2CoverageView);

// Classifies the profile lines stored in `store` between positions `from`
// and `to` (see LineStore::forEachStored), in the order they were stored.
void classifyStoredLines(LineStore& store, const char* from, const char* to,
                         const char* listing2CoverageView);

}  // namespace korvcmp
