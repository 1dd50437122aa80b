// What the machine-read reports of findings share: the rules a finding
// belongs to (with what code scanning and merge request widgets show of
// them), one finding as those reports write it, and how the run ended.
// korvcmp-lost writes its findings through them, and korvcmp-report can
// write its own with the same code and the same rule of lost coverage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "output/finding_fingerprints.h"

namespace korvcmp {

struct FindingRule {
    std::string_view id;        // "lost-coverage": SARIF's ruleId, Code Quality's check_name
    std::string_view name;      // "LostCoverage"
    std::string_view level;     // SARIF: "warning", "note", "error"
    std::string_view severity;  // Code Quality: "major", "info", ...
    std::string_view shortDescription;
    std::string_view fullDescription;
    std::string_view help;
};

// The rules of coverage findings; their texts are what code scanning shows
// beside each result. An item covered in the first listing and not in the second.
inline constexpr FindingRule kLostCoverageRule = {
    "lost-coverage",
    "LostCoverage",
    "warning",
    "major",
    "Coverage lost",
    "An item that the first listing shows covered (a function's calls, a line's hits, a "
    "decision's or a condition's TRUE or FALSE outcome, an MC/DC pair) is not covered in "
    "the second listing.",
    "The tests behind the second listing no longer reach this item. Restore or add a test "
    "that covers it, or remove the code if it is no longer needed. The compared listing "
    "marks the item 'v' after its count."};

// An item covered in the second listing and not in the first.
inline constexpr FindingRule kNewCoverageRule = {
    "new-coverage",
    "NewCoverage",
    "note",
    "info",
    "Coverage gained",
    "An item that the first listing shows not covered is covered in the second listing.",
    "Nothing needs to be done: korvcmp-lost reports new coverage with --new so that gains "
    "can be seen. The compared listing marks the item '^' after its count."};

// A file section korvcmp did not compare.
inline constexpr FindingRule kNotComparedRule = {
    "not-compared",
    "NotCompared",
    "note",
    "info",
    "File not compared",
    "korvcmp did not compare this file: the first listing has no section for it (no file), "
    "or its profile lines differ from the first listing's (different profile). Lost "
    "coverage in it cannot be shown.",
    "Compare listings of the same sources and instrumentation, so that every file can be "
    "compared; a file that the second listing has new is not compared either."};

// One finding: the rule it belongs to, by its index in the rules the log
// was started with, its message in parts written one after another, and
// where it is. The parts at even positions (0, 2, ...) are the program's own
// words, written as they are; those at odd positions are texts of a
// listing, written with the format's escapes.
struct FindingResult {
    std::size_t rule = 0;
    std::span<const std::string_view> message;
    std::string_view file;
    std::int64_t line = 0;  // 0: none
    Fingerprint fingerprint;
};

// How the run ended, for the formats that close with it.
struct FindingsEnd {
    std::int64_t leftOut = 0;      // findings a limit left out
    std::string_view leftOutText;  // "N findings left out by --limit L", when leftOut > 0
    std::string_view problem;      // why the input was not read to its end; empty when it was
    std::string_view listing;      // the input's name, where a finding needs a file
};

}  // namespace korvcmp
