// The verdict on a file section of listing 2 and its partner in listing 1
// (the first section of listing 1 with the same MONITORED line, found by
// listing_comparison.h): the structure test that decides whether the pair is
// compared.
#pragma once

#include "listing/listing_model.h"

namespace korvcmp {

inline constexpr const char* kReasonNoFile = "no file";
inline constexpr const char* kReasonDifferentProfile = "different profile";

// Sets `comparable` and `reason` of `file2` for its partner `file1` in
// listing 1 (none when listing 1 has no section with its MONITORED line).
void pairFile(const MonitoredFile* file1, MonitoredFile& file2);

// True when two profile lines are the same construct: they agree in kind,
// compare end and the description up to the compare end, wherever the code
// stands (the source line number is not compared). On an MC/DC row listing
// 2's line may show '+' or '-' where listing 1's shows anything else.
bool sameConstruct(const ListingLine& line1, const ListingLine& line2);

// True when the two file sections have the same structure: include lines,
// functions, "#line " lines and profile lines agree one for one.
bool sameProfile(const MonitoredFile& file1, const MonitoredFile& file2);

}  // namespace korvcmp
