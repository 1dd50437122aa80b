// Fresh memory from the system for the arenas: large blocks as huge pages
// where the system offers them, and faulting their pages in ahead of use.
#pragma once

#include "base/memory_source.h"

namespace korvcmp {

// The process's memory source. It holds no state, so it is safe to use from
// the first instruction on.
MemorySource& systemMemory();

}  // namespace korvcmp
