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
// depend on listing 2's coverage view, which is read even for listing 1's lines.
void classifyProfileLine(ListingLine& line);

// Classifies the profile lines stored in `store` between positions `from`
// and `to` (see LineStore::forEachStored), in the order they were stored.
void classifyStoredLines(LineStore& store, const char* from, const char* to);

}  // namespace korvcmp
