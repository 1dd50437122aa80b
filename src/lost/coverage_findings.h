// What korvcmp-lost finds in a compared listing and reports: the marked
// coverage items (a `v` or `^` after a hit count) and the file sections that
// korvcmp did not compare. The texts point into the line being read or into
// the reader's copies; they are valid only during the call that hands them on.
#pragma once

#include <cstdint>
#include <string_view>

namespace korvcmp {

enum class CoverageChange {
    Lost,  // `v`: listing 1 showed the item covered, listing 2 does not
    New,   // `^`: listing 2 shows the item covered, listing 1 did not
};

struct MarkedItem {
    CoverageChange change = CoverageChange::Lost;
    std::string_view file;         // the source file the line belongs to
    std::int64_t sourceLine = 0;   // from columns 24 to 29; 0 when they hold none
    std::string_view function;     // the name on the function's FUNCTION line
    std::string_view count;        // the count that changed, worded for a person
    int markerColumn = 0;          // 10 or 21
    std::string_view description;  // the profile line's description
    std::int64_t listingLine = 0;  // the line of the compared listing
};

struct UncomparedFile {
    std::string_view file;
    std::string_view reason;  // korvcmp's reason: "no file" or "different profile"
    std::int64_t listingLine = 0;
};

// Receives the findings in listing order.
class FindingSink {
  public:
    virtual ~FindingSink() = default;
    // A file section begins (compared or not), before its findings.
    virtual void fileSection() {}
    virtual void markedItem(const MarkedItem& item) = 0;
    virtual void uncomparedFile(const UncomparedFile& file) = 0;
};

// The figures of the totals line. A file is a file section of the listing.
struct FindingTotals {
    std::int64_t lost = 0;
    std::int64_t added = 0;  // new coverage
    std::int64_t functionsWithLost = 0;
    std::int64_t filesWithLost = 0;
    std::int64_t filesNotCompared = 0;
};

}  // namespace korvcmp
