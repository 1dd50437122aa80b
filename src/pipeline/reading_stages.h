// The reading stages of a comparison run: listing 2 whole, then listing 1
// section by section, each section compared with listing 2 as soon as it has
// been read; and the whole comparison, which korvcmp and korvcmp-report run
// alike.
#pragma once

#include "pipeline/run_state.h"

namespace korvcmp {

// Starts the run's worker thread when `reader`'s listing is a regular file
// large enough to be worth it. True when the worker runs (started now or
// before): the listing is then handled with it.
bool startWorkerIfWorthwhile(RunState& run, const LineReader& reader);

// Reads listing 2 whole: opens it, reads its header, file sections and
// summary into run.listing2.
void readListing2(RunState& run);

// Reads listing 1: opens it and reads its header into run.listing1, then its
// file sections, each compared with listing 2's sections of the same
// MONITORED line.
void readListing1AndCompare(RunState& run);

// The whole comparison: reads listing 2, then listing 1 comparing as it
// goes, and finishes with the sections listing 1 lacks and the listing's
// totals. The request's observer sees every section of listing 2 once, and
// listing 1 once it has been read.
void compareListings(RunState& run);

}  // namespace korvcmp
