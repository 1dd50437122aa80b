// The aligned view of two file sections whose structure differs: the code
// was edited between the runs (lines inserted above, constructs added,
// removed or changed, functions added, removed, renamed or moved), so
// korvcmp does not compare them, but korvcmp-report still can, from the two
// listings alone. Functions pair by their FUNCTION line, then by the
// constructs their bodies share; profile lines of paired functions pair as a
// longest common subsequence of constructs. Every paired line is judged by
// korvcmp's own marking rules; a line only one run has is added or deleted
// code. Every item of both runs falls into exactly one category.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "listing/listing_model.h"

namespace korvcmp {

// What became of one item (a count korvcmp compares: a decision's TRUE and
// FALSE outcomes are two items, every other compared line one, plain lines
// none) between the runs.
enum class ItemChange : std::uint8_t {
    None,  // no item at this place
    KeptCovered,
    KeptUncovered,
    Gained,
    Lost,
    AddedCovered,  // only listing 2 has the construct
    AddedUncovered,
    DeletedCovered,  // only listing 1 has the construct
    DeletedUncovered,
};

// How many items of a function, file or listing fall into each category.
struct ChangeCategories {
    std::int64_t keptCovered = 0;
    std::int64_t keptUncovered = 0;
    std::int64_t gained = 0;
    std::int64_t lost = 0;
    std::int64_t addedCovered = 0;
    std::int64_t addedUncovered = 0;
    std::int64_t deletedCovered = 0;
    std::int64_t deletedUncovered = 0;

    void add(ItemChange change) {
        switch (change) {
            case ItemChange::None:
                break;
            case ItemChange::KeptCovered:
                ++keptCovered;
                break;
            case ItemChange::KeptUncovered:
                ++keptUncovered;
                break;
            case ItemChange::Gained:
                ++gained;
                break;
            case ItemChange::Lost:
                ++lost;
                break;
            case ItemChange::AddedCovered:
                ++addedCovered;
                break;
            case ItemChange::AddedUncovered:
                ++addedUncovered;
                break;
            case ItemChange::DeletedCovered:
                ++deletedCovered;
                break;
            case ItemChange::DeletedUncovered:
                ++deletedUncovered;
                break;
        }
    }
    void add(const ChangeCategories& other) {
        keptCovered += other.keptCovered;
        keptUncovered += other.keptUncovered;
        gained += other.gained;
        lost += other.lost;
        addedCovered += other.addedCovered;
        addedUncovered += other.addedUncovered;
        deletedCovered += other.deletedCovered;
        deletedUncovered += other.deletedUncovered;
    }
};

// One row of the aligned view: a profile line of both runs (the same
// construct), or of one of them.
struct AlignedLine {
    const ListingLine* line1 = nullptr;  // none: the construct was added
    const ListingLine* line2 = nullptr;  // none: the construct was deleted
    // The items whose markers stand at columns 10 and 21 (the TRUE or HITS
    // field, and the FALSE field): what became of each.
    ItemChange trueItem = ItemChange::None;
    ItemChange falseItem = ItemChange::None;
};

struct AlignedFunction {
    const FunctionBlock* function1 = nullptr;  // none: the function was added
    const FunctionBlock* function2 = nullptr;  // none: the function was deleted
    // Paired by the constructs of their bodies, not by their FUNCTION lines:
    // a renamed function or a changed signature.
    bool pairedByBody = false;
    std::vector<AlignedLine> lines;  // FUNCTION line first, in listing order
    ChangeCategories changes;
};

struct SectionAlignment {
    // Listing 2's functions in its order, then the functions only listing 1
    // has, in listing 1's order.
    std::vector<AlignedFunction> functions;
    ChangeCategories changes;
};

// Aligns listing 2's section `file2` with listing 1's `file1`. With either
// none, every item of the other is added (no `file1`) or deleted (no
// `file2`) code. A pair that korvcmp compares (`file2->comparable`) is taken
// in step, as korvcmp takes it; any other pair is aligned function by
// function. In function coverage (`functionCoverage`) functions pair by
// their FUNCTION line only. The lines of the result point into both
// sections, which must outlive it. Without `withLines` the functions' lines
// are left out: only the categories are counted.
SectionAlignment alignSections(const MonitoredFile* file1, const MonitoredFile* file2,
                               bool functionCoverage, bool withLines = true);

// What functions are paired by: the description of the FUNCTION line up to
// its compare end (where the code stands does not matter). Empty for a
// function without lines.
std::string_view functionKey(const FunctionBlock& function);

}  // namespace korvcmp
