// The two reading stages of a run: listing 2 whole, then listing 1 section by
// section, each section compared with listing 2 as soon as it has been read.
#pragma once

#include "listing/input_stream.h"

namespace korvcmp {

// True when `stream` is a regular file large enough to be worth the worker
// thread, and the worker runs (it is started when it does not).
bool useWorkerFor(const InputStream& stream);

// Reads listing 2's file sections and its summary, after openListing.
void readListing2();

// Reads listing 1's file sections, after openListing, and compares each with
// listing 2's sections of the same MONITORED line.
void readListing1AndCompare();

}  // namespace korvcmp
