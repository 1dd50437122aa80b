// Findings as one SARIF 2.1.0 log, the format of GitHub code scanning, Azure
// DevOps and SARIF viewers: the tool and its rules, then one result per
// finding on a line of its own, written as they come, then the run's
// invocation with a notification of what a limit left out or why the input
// was not read to its end.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "output/finding_reports.h"
#include "output/output_stream.h"

namespace korvcmp {

// The SARIF artifact location of the file of the last finding, kept while
// the findings of the same file follow: most findings of a log share their
// file with the one before, and percent-encoding it for each would cost more
// than the rest of the result.
class SarifLocations {
  public:
    // The location of `file`, as writeSarifArtifactLocation writes it.
    std::string_view of(std::string_view file);

  private:
    std::string file_;
    std::string location_;
    bool known_ = false;
};

// The log's opening, with the tool `toolName` and its `rules` (at most ten),
// whose indexes the results give.
void writeSarifStart(OutputStream& out, std::string_view toolName,
                     std::span<const FindingRule> rules);
// `first`: the first result of the log.
void writeSarifResult(OutputStream& out, std::span<const FindingRule> rules,
                      const FindingResult& result, SarifLocations& locations, bool first);
void writeSarifEnd(OutputStream& out, const FindingsEnd& end);

// A file as the listing names it, as the two members of a SARIF artifact
// location: "uri" with '/' separators and everything but letters, digits and
// "-._~/" percent-encoded, and, for a relative path, "uriBaseId" %SRCROOT%;
// an absolute path becomes a file: URI.
void writeSarifArtifactLocation(OutputStream& out, std::string_view file);

}  // namespace korvcmp
