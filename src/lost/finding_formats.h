// The ways korvcmp-lost writes its findings:
//   gnu          FILE:LINE: lost: COUNT in FUNCTION: DESCRIPTION    (and "new:")
//                FILE: note: not compared (REASON), so its lost coverage cannot be shown
//   github       ::warning file=FILE,line=LINE,title=Lost coverage::COUNT in FUNCTION: DESCRIPTION
//                ::notice ... title=New coverage / title=Not compared
//   json         one JSON object per line (JSON Lines) with named fields
//   sarif        one SARIF 2.1.0 log, one result per finding (output/sarif_log.h)
//   codequality  one GitLab Code Quality JSON array (output/code_quality_report.h)
// With a limit, the findings after the first `limit` are counted but not
// written, and one closing line or note says how many were left out.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "lost/coverage_findings.h"
#include "output/finding_fingerprints.h"
#include "output/output_stream.h"
#include "output/sarif_log.h"

namespace korvcmp {

enum class FindingFormat { Gnu, GitHub, Json, Sarif, CodeQuality };

// The format named `name` on the command line ("gnu", "github", ...).
std::optional<FindingFormat> findingFormatNamed(std::string_view name);
// The names, for messages: "gnu, github, json, sarif or codequality".
extern const std::string_view kFindingFormatNames;

// The limit a format has when none is given: GitHub code scanning takes at
// most 25,000 results a run; 0 (all) for the others.
std::int64_t defaultLimitOf(FindingFormat format);

// "COUNT in FUNCTION: DESCRIPTION", the words of an item in every format,
// handed to `writeText` part by part.
template <typename WriteText>
void writeItemText(const MarkedItem& item, WriteText writeText) {
    writeText(item.count);
    writeText(" in ");
    writeText(item.function);
    writeText(": ");
    writeText(item.description);
}

// The words of a note, after "not compared (REASON)".
inline constexpr std::string_view kNotComparedNoteText = ", so its lost coverage cannot be shown";

// Writes the findings it receives in `format`, the first `limit` of them
// (0: all).
class FindingWriter final : public FindingSink {
  public:
    FindingWriter(OutputStream& out, FindingFormat format, std::int64_t limit)
        : out_(out), format_(format), limit_(limit) {}

    // What comes before the first finding.
    void begin();
    void markedItem(const MarkedItem& item) override;
    void uncomparedFile(const UncomparedFile& file) override;
    // After the last finding: the note on what the limit left out, and the
    // format's closing; `problem` says why the listing `listing` was not read
    // to its end, empty when it was.
    void finish(std::string_view problem, std::string_view listing);
    // The findings written and those the limit left out.
    std::int64_t written() const { return written_; }
    std::int64_t leftOut() const { return leftOut_; }

  private:
    // True when the next finding is to be written; counts it either way.
    bool takesAnother() {
        if (limit_ > 0 && written_ == limit_) {
            ++leftOut_;
            return false;
        }
        ++written_;
        return true;
    }

    OutputStream& out_;
    FindingFormat format_;
    std::int64_t limit_;
    std::int64_t written_ = 0;
    std::int64_t leftOut_ = 0;
    FingerprintMaker fingerprints_;
    SarifLocations sarifLocations_;
};

}  // namespace korvcmp
