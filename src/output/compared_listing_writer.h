// Writes the compared listing: a banner, a header block naming both inputs,
// listing 2's file sections with their markers and the difference figures in
// every TER line, and listing 2's summary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "listing/listing_model.h"
#include "output/output_stream.h"

namespace korvcmp {

// Writes the whole compared listing to `out`: `listing2` as marked, with a
// header that names both inputs by their paths and gives `timeText` (in the
// asctime layout, newline included) as the time it was produced.
void writeComparedListing(OutputStream& out, const ProfileListing& listing1,
                          const ProfileListing& listing2, const char* listing1Path,
                          const char* listing2Path, std::string_view timeText);

// Writes `terLine` with "[hits in 1 + new - lost]" inserted after its first
// "(", then a newline.
void writeTerLine(OutputStream& stream, std::string_view terLine, std::int64_t newHits,
                  std::int64_t lostHits, std::int64_t equalHits);

// The current local time in the asctime layout (listing/listing_fields.h),
// newline included.
std::string currentTimeText();

}  // namespace korvcmp
