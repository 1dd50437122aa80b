// Findings as a GitLab Code Quality report, the format of its merge request
// widget: one JSON array, one object per finding on a line of its own, with
// the description, the check's name, the stable fingerprint, the severity
// (major for lost coverage, info for new coverage and notes) and the file and
// line. Without a byte-order mark.
#pragma once

#include "lost/finding_fingerprints.h"
#include "lost/finding_formats.h"
#include "output/output_stream.h"

namespace korvcmp {

void writeCodeQualityStart(OutputStream& out);
// `first`: the first object of the array.
void writeCodeQualityItem(OutputStream& out, const MarkedItem& item, const Fingerprint& fingerprint,
                          bool first);
void writeCodeQualityNote(OutputStream& out, const UncomparedFile& file,
                          const Fingerprint& fingerprint, bool first);
// With findings left out, one more object says how many, at line 1 of the
// compared listing; then the array's end.
void writeCodeQualityEnd(OutputStream& out, const FindingsEnd& end, bool first);

}  // namespace korvcmp
