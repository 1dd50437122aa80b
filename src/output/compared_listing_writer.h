// Writes the compared listing: a banner, a header block naming both inputs,
// listing 2's file sections with their markers and the difference figures in
// every TER line, and listing 2's summary.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "output/output_stream.h"

namespace korvcmp {

// Writes the whole compared listing to the run's output stream. `timeText`
// is the production time in the asctime layout (see asctimeText), made
// before the output was opened.
void writeComparedListing(std::string_view timeText);

// Writes `terLine` with "[hits in 1 + new - lost]" inserted after its first
// "(", then a newline.
void writeTerLine(OutputStream& stream, std::string_view terLine, std::int64_t newHits,
                  std::int64_t lostHits, std::int64_t equalHits);

// `time` in the asctime layout with English names, newline included
// ("Tue Dec  8 04:22:15 2026\n").
std::string asctimeText(const std::tm& time);

}  // namespace korvcmp
