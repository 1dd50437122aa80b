// The SARIF artifact location of the file of the last finding, kept while
// the findings of the same file follow: most findings of a log share their
// file with the one before, and percent-encoding it for each would cost more
// than the rest of the result.
#pragma once

#include <string>
#include <string_view>

namespace korvcmp {

class SarifLocations {
  public:
    // The location of `file`, as writeSarifArtifactLocation writes it.
    std::string_view of(std::string_view file);

  private:
    std::string file_;
    std::string location_;
    bool known_ = false;
};

}  // namespace korvcmp
