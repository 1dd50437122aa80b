// Findings as a GitLab Code Quality report, the format of its merge request
// widget: one JSON array, one object per finding on a line of its own, with
// the description, the check's name (the rule's id), the stable fingerprint,
// the rule's severity and the file and line. Without a byte-order mark.
#pragma once

#include <span>

#include "output/finding_reports.h"
#include "output/output_stream.h"

namespace korvcmp {

void writeCodeQualityStart(OutputStream& out);
// `first`: the first object of the array.
void writeCodeQualityResult(OutputStream& out, std::span<const FindingRule> rules,
                            const FindingResult& result, bool first);
// With findings left out, one more object says how many, at line 1 of
// `end.listing`; then the array's end.
void writeCodeQualityEnd(OutputStream& out, const FindingsEnd& end, bool first);

}  // namespace korvcmp
