// The two reading stages of a run: listing 2 whole, then listing 1 section by
// section, each section compared with listing 2 as soon as it has been read.
#pragma once

namespace korvcmp {

// Reads listing 2's file sections and its summary, after openListing.
void readListing2();

// Reads listing 1's file sections, after openListing, and compares each with
// listing 2's sections of the same MONITORED line.
void readListing1AndCompare();

}  // namespace korvcmp
