// Decides how a stored profile line takes part in the comparison: its source
// line number, its kind and the end of the text that the structure test
// compares. A line that fits no known form ends the run.
#pragma once

#include "listing/line_store.h"
#include "listing/listing_model.h"

namespace korvcmp {

inline constexpr const char* kStrangeLineMessage = "Strange profile listing line: %s\n";
inline constexpr const char* kMcdcCoverageView = "Reduced to MC/DC coverage";

// Sets lineNumber, kind and compareEnd of `line` from its text. Condition rows
// depend on listing 2's coverage view (none: no view), which decides them
// for listing 1's lines too.
void classifyProfileLine(ListingLine& line, const char* listing2CoverageView);

// Classifies the profile lines stored in `store` between positions `from`
// and `to` (see LineStore::forEachStored), in the order they were stored.
void classifyStoredLines(LineStore& store, const char* from, const char* to,
                         const char* listing2CoverageView);

}  // namespace korvcmp
