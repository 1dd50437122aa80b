// What korvcmp-report knows of a comparison once it has been run: the two
// listings' headers, a summary of every file section (its figures and its
// functions'), the totals, the warnings and the first lost items. The HTML
// index, the Markdown summary and the JSON document are written from it;
// the per-file pages are written as each section is compared, from the
// listings' own records, and are not kept here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compare/section_alignment.h"
#include "listing/ter_figures.h"

namespace korvcmp {

// The coverage of present figures in tenths of a percent, from the items
// (the TER line's own whole percent when it counts none).
std::int64_t coverageTenths(const TerFigures& figures);

struct FunctionSummary {
    std::string name;  // the FUNCTION line's text after "FUNCTION "
    std::uint32_t line = 0;
    // Of the function and its partner in listing 1: none in function
    // coverage, ter1 none for a function listing 1 lacks, ter2 for a deleted one.
    TerFigures ter1;
    TerFigures ter2;
    ChangeFigures change;
    // What became of the function's items, also in files korvcmp does not
    // compare (an edited file's functions are aligned).
    ChangeCategories changes;
    // Only listing 1 has the function: deleted code.
    bool deleted = false;
    // Paired by its body with listing 1's function of another FUNCTION line:
    // that line's text after "FUNCTION "; empty otherwise.
    std::string renamedFrom;
};

enum class FileStatus { Compared, NotCompared, Removed };

// "compared", "not compared", "removed".
std::string_view fileStatusName(FileStatus status);

struct FileSummary {
    std::string path;  // the MONITORED line's text after "MONITORED SOURCE FILE : "
    FileStatus status = FileStatus::Compared;
    // Why a section was not compared ("no file", "different profile"); empty otherwise.
    std::string reason;
    // The file's page relative to the report directory ("files/...html");
    // empty when no HTML report is written or the file has no page.
    std::string page;
    bool functionCoverage = false;
    TerFigures ter1;                         // from listing 1's section, when it has one
    TerFigures ter2;                         // from listing 2's section; none for a removed file
    ChangeFigures change;                    // the compared listing's figures; 0 for a removed file
    std::vector<FunctionSummary> functions;  // none for a removed file
    // What became of the file's items: aligned for an edited or moved file.
    ChangeCategories changes;
    // Not compared by korvcmp, but aligned with listing 1's section of the
    // same MONITORED line (structure differs) or of another one (moved).
    bool edited = false;
    std::string movedFrom;  // listing 1's path of a moved file; empty otherwise

    // Seen through the aligned view: edited, or moved from another path.
    bool aligned() const { return edited || !movedFrom.empty(); }
    // The lost items: korvcmp's lost hits of a compared file, the aligned
    // view's lost items of an edited or moved one.
    std::int64_t lostItems() const { return aligned() ? changes.lost : change.lostHits; }
    // The new items: korvcmp's new hits, or the gained and the covered added
    // items of the aligned view.
    std::int64_t newItems() const {
        return aligned() ? changes.gained + changes.addedCovered : change.newHits;
    }
    // Lost coverage: lost items in a compared, edited or moved file, or a
    // removed file of which listing 1 covered something.
    bool lostCoverage() const;
};

// Changed-code coverage: the covered share of the added items, as TER
// figures; 100 % of none when nothing was added.
TerFigures changedCodeCoverage(const ChangeCategories& changes);

// One item marked lost, as the Markdown summary names it.
struct LostItem {
    std::string file;
    std::uint32_t line = 0;
    std::string function;
    std::string countName;  // as markedCountOf names it: "hits", "TRUE outcome", ...
    std::string count1;     // the count in listing 1, as it stands there
    std::string description;
    // Found by aligning an edited or a moved file, not by korvcmp's compare.
    bool edited = false;
    bool moved = false;
};

// A listing as its header names it.
struct ListingHeader {
    std::string path;
    // The header's "Label : value" lines in listing order, labels without
    // their padding ("Program", "Test command", "Trace file", ...).
    std::vector<std::pair<std::string, std::string>> fields;
    std::string producedAt;
    std::string coverageView;

    // The value of the field `label`, or none.
    const std::string* field(std::string_view label) const;
};

struct ReportTotals {
    TerFigures ter1;  // the first summary TER line of each listing
    TerFigures ter2;
    ChangeFigures change;
    std::size_t compared = 0;
    std::size_t notCompared = 0;
    std::size_t removed = 0;
    // Files with lost coverage: compared files with lost items, and removed
    // files of which listing 1 covered something.
    std::size_t withLostCoverage = 0;
    ChangeCategories changes;
    // The items listing 1 covered in removed files. korvcmp marks nothing
    // lost in a file listing 2 lacks, so change.lostHits leaves them out;
    // they are stated beside it.
    std::int64_t removedCovered = 0;
};

struct ReportModel;

// The new items of the files korvcmp did not compare: every covered item of
// such a file counts as new in korvcmp's figures, while korvcmp-lost counts
// only the items marked new.
std::int64_t newOfFilesNotCompared(const ReportModel& model);

// True when changed-code coverage is below `percent`; never when nothing
// was added.
bool changedCodeCoverageBelow(const ChangeCategories& changes, double percent);

struct ReportModel {
    std::string title;
    ListingHeader listing1;
    ListingHeader listing2;
    // Texts of warnings about the pair ("the coverage views differ", ...).
    std::vector<std::string> warnings;
    // Listing 2's file sections in its order, then the removed ones in
    // listing 1's order.
    std::vector<FileSummary> files;
    ReportTotals totals;
    // The first lost items in listing 2's order of files, at most
    // kKeptLostItems of them; lostItemCount counts them all.
    std::vector<LostItem> firstLostItems;
    std::int64_t lostItemCount = 0;
    // Why coverage counts as lost, one sentence each: the items lost in
    // compared files, then each removed file that listing 1 covered (the
    // first kStatedRemovedFiles, and how many more). Empty when none was lost.
    std::vector<std::string> lostCoverageReasons;
    // Lost coverage fails the run (--fail-on-lost): the reasons are shown.
    bool gateFailed = false;
    static constexpr std::size_t kStatedRemovedFiles = 20;

    static constexpr std::size_t kKeptLostItems = 2000;
};

// The lost items of the edited and moved files, which korvcmp's figures
// leave out.
std::int64_t lostInAlignedFiles(const ReportModel& model);

}  // namespace korvcmp
