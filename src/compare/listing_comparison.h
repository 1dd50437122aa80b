// The comparison as listing 1 is read. Each file section of listing 1 is
// compared with listing 2's sections of the same MONITORED line as soon as it
// has been read, so that it need not be kept: the result is the same as
// pairing and marking after reading, with a fraction of the memory.
#pragma once

#include "listing/listing_model.h"
#include "listing/listing_parser.h"

namespace korvcmp {

// Pairs and marks listing 2's sections (`listing2Files`) whose MONITORED
// line is that of `file1`, when `file1` is the first section of listing 1
// with that line.
void compareListing1Section(const MonitoredFile& file1, const FilesByMonitoredLine& listing2Files);

// After listing 1: marks the sections of `listing2` that found no partner
// ("no file") and sums the listing's totals.
void finishComparison(ProfileListing& listing2);

}  // namespace korvcmp
