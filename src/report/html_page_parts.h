// The pieces the index and the file pages share: the page frame with its
// links to the shared style sheet and script, and the way coverage figures,
// their change, their bar and a file's status are shown.
#pragma once

#include <cstdint>
#include <string_view>

#include "output/output_stream.h"
#include "report/report_model.h"

namespace korvcmp {

// From the document type to the opening <body>. `assetPrefix` leads from
// the page to the report directory: "" for the index, "../" for a file page.
// The title is `first`, and " · " and `second` when `second` is not empty.
void writePageStart(OutputStream& out, std::string_view first, std::string_view second,
                    std::string_view assetPrefix);
void writePageEnd(OutputStream& out);

// Figures summed over several files or functions.
TerFigures sumOfFigures(std::int64_t covered, std::int64_t total);

// "73.7% (14/19)" with the fraction in a <small>; "—" when the figures are none.
void writeCoverage(OutputStream& out, const TerFigures& figures);
// The change of the percentage from run 1 to run 2 in points ("+5.3",
// "−3.0", "0.0"); "—" unless both are present.
void writeCoverageChange(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2);
// Run 2's figures with its percentage on a bar filled to it, with a tick at
// run 1's; "—" when run 2 has none.
void writeCoverageBar(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2);

// A figure in the totals: `label` above it; `stressed` makes it stand out
// (lost coverage). The value is written between the two.
void writeCardStart(OutputStream& out, std::string_view label, bool stressed = false);
void writeCardEnd(OutputStream& out);

// The coverage of each run and its change, as cards.
void writeRunCoverageCards(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2);
// Those, and the new and lost items, with
// korvcmp's hits in listing 1, as cards. `newOfFilesNotCompared` of the new
// items are the covered items of files korvcmp did not compare; the New card
// tells them apart from the items marked new when there are any. The Lost
// card names `coveredInRemovedFiles`, listing 1's covered items of files
// listing 2 lacks, which korvcmp marks nowhere, beside the lost items.
void writeCoverageCards(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2,
                        const ChangeFigures& change, std::int64_t newOfFilesNotCompared,
                        std::int64_t coveredInRemovedFiles);
// What became of the items in the aligned view, as cards: changed-code
// coverage, gained, lost, added, deleted and kept items.
void writeChangeCards(OutputStream& out, const ChangeCategories& changes);

// The categories in short, "kept / gained / lost / added covered of added /
// deleted": "12 / 2 / 1 / 3 of 5 / 4".
void writeCompactCategories(OutputStream& out, const ChangeCategories& changes);
// Every category with its figure, for a title attribute.
void writeFullCategories(OutputStream& out, const ChangeCategories& changes);

// "compared", "not compared: REASON", "edited", "moved from PATH" or "removed".
void writeFileStatus(OutputStream& out, const FileSummary& summary);

}  // namespace korvcmp
