// Marking of coverage differences in listing 2's profile lines (`^` for new,
// `v` for lost coverage, set at columns 10 and 21) and the
// new/lost/equal totals per function, file section and listing.
#pragma once

#include "listing/listing_model.h"

namespace korvcmp {

// What korvcmp makes of one item at a marker position: new coverage (`^`),
// lost coverage (`v`), coverage in both runs, or nothing to count.
enum class ItemVerdict : std::uint8_t { None, New, Lost, Equal };

// The verdicts at column 10 (after the HITS/TRUE field) and column 21 (after
// the FALSE field) of a profile line.
struct LineVerdict {
    ItemVerdict atTrueMarker = ItemVerdict::None;
    ItemVerdict atFalseMarker = ItemVerdict::None;
};

// The marking rules of `own`'s kind applied to `own` (a line of listing 2, or
// of listing 1 seen alone) and its partner line (none: every covered item is
// new), without setting any marker. markFile marks by the same verdicts.
LineVerdict judgeLine(const ListingLine& own, const ListingLine* partner);

// Marks and counts one file section of listing 2: in step with `file1` when
// the section is comparable, else every covered item as new. Sets the
// section's totals; the listing's totals are left to the caller.
void markFile(const MonitoredFile* file1, MonitoredFile& file2);

// Marks the lines of `function2` against those of `function1` (none: every
// covered item counts as new) and adds the function's totals to `file2`.
void compareFunction(const FunctionBlock* function1, FunctionBlock& function2,
                     MonitoredFile& file2);

}  // namespace korvcmp
