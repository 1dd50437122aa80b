// korvcmp-report's findings for code scanning and merge request widgets: a
// SARIF log and a GitLab Code Quality report, written by the same writers as
// korvcmp-lost's. One finding for every lost item of a compared, edited or
// moved file (rule lost-coverage, korvcmp-lost's own) and one for every
// added item that is not covered (rule uncovered-new-code), at listing 2's
// file and source line. They are written as each section is compared, as its
// page is, so that every item is known, not only those the model keeps; the
// fingerprints hold no line number, so an alert stays the same alert when
// lines move.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "compare/section_alignment.h"
#include "output/finding_fingerprints.h"
#include "output/finding_reports.h"
#include "output/output_stream.h"
#include "output/sarif_log.h"

namespace korvcmp {

// An item only listing 2 has, and which it does not cover.
inline constexpr FindingRule kUncoveredNewCodeRule = {
    "uncovered-new-code",
    "UncoveredNewCode",
    "warning",
    "minor",
    "New code not covered",
    "An item of code that only the second listing has (a function's calls, a line's hits, a "
    "decision's or a condition's TRUE or FALSE outcome, an MC/DC pair) is not covered by the "
    "tests behind it.",
    "The change added this code without a test that reaches it. Add a test that covers it, "
    "or remove the code if it is not needed."};

class ReportFindings {
  public:
    // Writes into `sarif` and `codeQuality`, each open or none.
    ReportFindings(OutputStream* sarif, OutputStream* codeQuality)
        : sarif_(sarif), codeQuality_(codeQuality) {}

    // The reports' openings.
    void begin();
    bool wanted() const { return sarif_ != nullptr || codeQuality_ != nullptr; }
    // The findings of a section of listing 2 whose MONITORED line names
    // `path`, from what became of its items.
    void section(std::string_view path, const SectionAlignment& alignment);
    // Those of a section korvcmp compared: its lost markers.
    void comparedSection(std::string_view path, const MonitoredFile& file2);
    // The reports' closings; `listing` is listing 2's name.
    void finish(std::string_view listing);

  private:
    // The file `function` of the section at `path` has its lines in.
    std::string_view fileOf(std::string_view path, const FunctionBlock& function);
    void item(std::size_t rule, std::string_view file, std::string_view function,
              const ListingLine& line, int markerColumn);

    static constexpr std::size_t kLostRule = 0;
    static constexpr std::size_t kUncoveredRule = 1;
    static constexpr std::array<FindingRule, 2> kRules = {kLostCoverageRule, kUncoveredNewCodeRule};

    OutputStream* sarif_;
    OutputStream* codeQuality_;
    SarifLocations locations_;
    // A rule's findings are placed among equal ones of that rule only: a lost
    // item keeps the fingerprint korvcmp-lost gives it.
    std::array<FingerprintMaker, 2> fingerprints_;
    std::string directiveFile_;
    bool first_ = true;
};

}  // namespace korvcmp
