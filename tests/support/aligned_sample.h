// An edited file section aligned by hand, with each kind of row once: lines
// paired where they stand and where they moved, lost items, a line added
// (not covered) and one deleted, a renamed function after a
// "#line" line, and a deleted function. For the writers of the aligned view,
// which must not depend on how an alignment is found.
#pragma once

#include <memory>

#include "compare/section_alignment.h"
#include "support/model_builder.h"

namespace korvcmp::testing {

struct AlignedSample {
    std::unique_ptr<BuiltListings> listings;
    const MonitoredFile* file1 = nullptr;  // "src/a.c" in both listings
    const MonitoredFile* file2 = nullptr;
    SectionAlignment alignment;
};

// Listing 1's f() (line 10: if (a) at 12, return 1 at 13, return 0 at 14),
// old_name() (40) and gone() (30); listing 2's f() with if (a) moved to 15
// and its FALSE outcome lost, goto <out> added at 16 and not covered,
// return 1 deleted, return 0 moved to 17; then new_name(), renamed from
// old_name(), in "src/b.inc", its break (41) lost.
AlignedSample alignedSample();

}  // namespace korvcmp::testing
