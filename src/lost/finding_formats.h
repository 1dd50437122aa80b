// The three ways korvcmp-lost writes its findings, one line each:
//   gnu     FILE:LINE: lost: COUNT in FUNCTION: DESCRIPTION    (and "new:")
//           FILE: note: not compared (REASON), so its lost coverage cannot be shown
//   github  ::warning file=FILE,line=LINE,title=Lost coverage::COUNT in FUNCTION: DESCRIPTION
//           ::notice ... title=New coverage / title=Not compared
//   json    one JSON object per line (JSON Lines) with named fields
#pragma once

#include <optional>
#include <string_view>

#include "lost/coverage_findings.h"
#include "lost/output_buffer.h"

namespace korvcmp {

enum class FindingFormat { Gnu, GitHub, Json };

// The format named `name` on the command line ("gnu", "github", "json").
std::optional<FindingFormat> findingFormatNamed(std::string_view name);

// Writes the findings it receives in `format`.
class FindingWriter final : public FindingSink {
  public:
    FindingWriter(OutputBuffer& out, FindingFormat format) : out_(out), format_(format) {}

    void markedItem(const MarkedItem& item) override;
    void uncomparedFile(const UncomparedFile& file) override;

  private:
    OutputBuffer& out_;
    FindingFormat format_;
};

}  // namespace korvcmp
