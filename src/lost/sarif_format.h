// Findings as one SARIF 2.1.0 log, the format of GitHub code scanning, Azure
// DevOps and SARIF viewers: the tool and its three rules, then one result per
// finding on a line of its own, written as they come, then the run's
// invocation with a notification of what the limit left out or why the
// listing was not read to its end.
#pragma once

#include <string_view>

#include "lost/finding_fingerprints.h"
#include "lost/finding_formats.h"
#include "lost/sarif_locations.h"
#include "output/output_stream.h"

namespace korvcmp {

void writeSarifStart(OutputStream& out);
// `first`: the first result of the log.
void writeSarifItem(OutputStream& out, const MarkedItem& item, const Fingerprint& fingerprint,
                    SarifLocations& locations, bool first);
void writeSarifNote(OutputStream& out, const UncomparedFile& file, const Fingerprint& fingerprint,
                    SarifLocations& locations, bool first);
void writeSarifEnd(OutputStream& out, const FindingsEnd& end);

// A file as the listing names it, as the two members of a SARIF artifact
// location: "uri" with '/' separators and everything but letters, digits and
// "-._~/" percent-encoded, and, for a relative path, "uriBaseId" %SRCROOT%;
// an absolute path becomes a file: URI.
void writeSarifArtifactLocation(OutputStream& out, std::string_view file);

}  // namespace korvcmp
