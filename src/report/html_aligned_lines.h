// The table of profile lines of an edited or moved file: listing 2's lines
// aligned with listing 1's by construct. A paired line shows both runs'
// counts and the markers of what became of its items; a line only one run
// has is a row of its own, said "added" or "deleted" in words as well as by
// its class; the old line number stands beside the new where the line moved.
#pragma once

#include <cstdint>

#include "compare/section_alignment.h"
#include "listing/listing_model.h"
#include "report/html_profile_rows.h"

namespace korvcmp {

// The lost items of the aligned view: the lost markers its table holds.
std::int64_t lostItemsOf(const SectionAlignment& alignment);

// The table, with listing 2's include lines first.
void writeAlignedLineTable(OutputStream& out, ProfileRows& rows, const MonitoredFile& file2,
                           const SectionAlignment& alignment);

}  // namespace korvcmp
