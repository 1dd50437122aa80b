// The Markdown summary of a comparison, for a pull request comment or a CI
// job summary. Every line is put together first and written only when it
// fits: what is written is counted, so the summary never passes its limit,
// and a list that does not fit ends in "… and N more".
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output/figure_text.h"
#include "report/markdown_text.h"
#include "report/summary_writers.h"

namespace korvcmp {
namespace {

// Kept free for the headings and the "… and N more" lines, which are always
// written: an eighth of the limit, at most this much.
constexpr std::size_t kLargestReserve = 4096;

// The summary's bytes as they are written, against its limit.
class MarkdownBudget {
  public:
    MarkdownBudget(OutputStream& out, std::size_t limit)
        : out_(out), limit_(limit), reserve_(std::min(kLargestReserve, limit / 8)) {}

    std::size_t written() const { return written_; }
    std::size_t limit() const { return limit_; }

    // Writes `text` when it ends before `end` and leaves the reserve; false
    // when it would not.
    bool writeIfFits(std::string_view text, std::size_t end) {
        if (written_ + text.size() > std::min(end, limit_ - reserve_)) {
            return false;
        }
        write(text);
        return true;
    }
    // A heading or a closing line, from the reserve.
    void writeFromReserve(std::string_view text) {
        if (written_ + text.size() <= limit_) {
            write(text);
        }
    }

  private:
    void write(std::string_view text) {
        out_.write(text);
        written_ += text.size();
    }

    OutputStream& out_;
    std::size_t limit_;
    std::size_t reserve_;
    std::size_t written_ = 0;
};

void appendInteger(std::string& line, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    line.append(digits, result.ptr);
}

// A count with its thousands grouped: "159,336".
void appendCount(std::string& line, std::int64_t value) {
    line.append(groupedCount(value));
}

// "64.4%", or "n/a" without a TER line.
void appendPercent(std::string& line, const TerFigures& ter) {
    if (!ter.present) {
        line.append("n/a");
        return;
    }
    line.append(percentText(coverageTenths(ter)));
}

// "96/149", or "n/a" without a TER line.
void appendFraction(std::string& line, const TerFigures& ter) {
    if (!ter.present) {
        line.append("n/a");
        return;
    }
    appendCount(line, ter.covered);
    line.push_back('/');
    appendCount(line, ter.total);
}

// "64.4% (96/149)".
void appendCoverage(std::string& line, const TerFigures& ter) {
    appendPercent(line, ter);
    if (ter.present) {
        line.append(" (");
        appendFraction(line, ter);
        line.push_back(')');
    }
}

// "64.4% → 70.1% (96/149 → 110/157)".
void appendCoverageChange(std::string& line, const TerFigures& ter1, const TerFigures& ter2) {
    appendPercent(line, ter1);
    line.append(" → ");
    appendPercent(line, ter2);
    line.append(" (");
    appendFraction(line, ter1);
    line.append(" → ");
    appendFraction(line, ter2);
    line.push_back(')');
}

// ", changed-code coverage 75.0% (3/4)", and the lost items korvcmp's
// figures leave out: ", **−2 lost in edited and moved files**".
void appendAlignedTotals(std::string& line, const ReportModel& model) {
    line.append(", changed-code coverage ");
    appendCoverage(line, changedCodeCoverage(model.totals.changes));
    const std::int64_t lost = lostInAlignedFiles(model);
    if (lost > 0) {
        line.append(", **−");
        appendCount(line, lost);
        line.append(" lost in edited and moved files**");
    }
}

// A count as the listing gives it: its digits as they are, anything else a
// code span like every text of a listing.
void appendCount(std::string& line, std::string_view count) {
    const bool digits = !count.empty() && std::all_of(count.begin(), count.end(),
                                                      [](char c) { return c >= '0' && c <= '9'; });
    if (digits) {
        line.append(count);
    } else {
        appendMarkdownCode(line, count);
    }
}

void writeTotals(MarkdownBudget& budget, const ReportModel& model, std::string& line) {
    const ReportTotals& totals = model.totals;
    line.assign("## ");
    appendMarkdownText(line, model.title.empty() ? "Coverage comparison" : model.title);
    line.append("\n\nCoverage ");
    appendCoverageChange(line, totals.ter1, totals.ter2);
    line.append(", **+");
    appendCount(line, totals.change.newHits);
    line.append(" new, −");
    appendCount(line, totals.change.lostHits);
    line.append(" lost**");
    // korvcmp counts every covered item of a file it did not compare as new.
    const std::int64_t newNotCompared = newOfFilesNotCompared(model);
    if (newNotCompared > 0) {
        line.append(" (new: ");
        appendCount(line, totals.change.newHits - newNotCompared);
        line.append(" items marked new, ");
        appendCount(line, newNotCompared);
        line.append(" covered items of files not compared)");
    }
    if (totals.removedCovered > 0) {
        line.append(", ");
        appendCount(line, totals.removedCovered);
        line.append(" items that listing 1 covered in removed files");
    }
    appendAlignedTotals(line, model);
    line.append("\n\nFiles: ");
    appendCount(line, static_cast<std::int64_t>(totals.compared));
    line.append(" compared, ");
    appendCount(line, static_cast<std::int64_t>(totals.notCompared));
    line.append(" not compared, ");
    appendCount(line, static_cast<std::int64_t>(totals.removed));
    line.append(" removed, ");
    appendCount(line, static_cast<std::int64_t>(totals.withLostCoverage));
    line.append(" with lost coverage.\n\n");
    budget.writeIfFits(line, budget.limit());
}

void writeWarnings(MarkdownBudget& budget, const ReportModel& model, std::string& line) {
    const bool gateReasons = model.gateFailed && !model.lostCoverageReasons.empty();
    for (std::size_t i = 0; gateReasons && i < model.lostCoverageReasons.size(); ++i) {
        line.assign("- **Lost coverage fails the run:** ");
        appendMarkdownCode(line, model.lostCoverageReasons[i]);  // it may name a file
        line.push_back('\n');
        budget.writeIfFits(line, budget.limit());
    }
    for (const std::string& warning : model.warnings) {
        line.assign("- **Warning:** ");
        appendMarkdownCode(line, warning);  // it may quote a listing
        line.push_back('\n');
        budget.writeIfFits(line, budget.limit());
    }
    if (!model.warnings.empty() || gateReasons) {
        budget.writeFromReserve("\n");
    }
}

// A table of `count` entries under a heading: a row for each of the first
// `rows` of them, as long as they fit before `end`; then "… and N more
// `what`" for the rest.
template <typename AppendRow>
void writeTable(MarkdownBudget& budget, std::string_view heading, std::size_t rows,
                std::size_t count, std::size_t end, std::string_view what, std::string& line,
                const AppendRow& appendRow) {
    budget.writeFromReserve(heading);
    std::size_t shown = 0;
    while (shown < rows) {
        line.clear();
        appendRow(line, shown);
        if (!budget.writeIfFits(line, end)) {
            break;
        }
        ++shown;
    }
    budget.writeFromReserve("\n");
    if (shown < count) {
        line.assign("… and ");
        appendCount(line, static_cast<std::int64_t>(count - shown));
        line.append(" more ");
        line.append(what);
        line.append("\n\n");
        budget.writeFromReserve(line);
    }
}

// " (edited)" or " (moved from PATH)" after a file seen through the aligned view.
void appendAlignedMark(std::string& line, const FileSummary& file) {
    if (!file.movedFrom.empty()) {
        line.append(" (moved from ");
        appendMarkdownCode(line, file.movedFrom);
        line.push_back(')');
    } else if (file.edited) {
        line.append(" (edited)");
    }
}

void writeLostFiles(MarkdownBudget& budget, const std::vector<const FileSummary*>& files,
                    std::size_t end, std::string& line) {
    writeTable(budget,
               "### Files with lost coverage\n\n"
               "| File | Coverage 1 → 2 | Lost | New |\n|---|---|---:|---:|\n",
               files.size(), files.size(), end, "files with lost coverage", line,
               [&](std::string& row, std::size_t i) {
                   const FileSummary& file = *files[i];
                   row.append("| ");
                   appendMarkdownCode(row, file.path);
                   appendAlignedMark(row, file);
                   row.append(" | ");
                   appendCoverageChange(row, file.ter1, file.ter2);
                   row.append(" | ");
                   appendCount(row, file.lostItems());
                   row.append(" | ");
                   appendCount(row, file.newItems());
                   row.append(" |\n");
               });
}

void writeRemovedFiles(MarkdownBudget& budget, const std::vector<const FileSummary*>& files,
                       std::size_t end, std::string& line) {
    writeTable(budget,
               "### Removed files that listing 1 covered\n\n"
               "| File | Coverage in 1 |\n|---|---|\n",
               files.size(), files.size(), end, "removed files", line,
               [&](std::string& row, std::size_t i) {
                   row.append("| ");
                   appendMarkdownCode(row, files[i]->path);
                   row.append(" | ");
                   appendCoverage(row, files[i]->ter1);
                   row.append(" |\n");
               });
}

void writeLostItems(MarkdownBudget& budget, const ReportModel& model, std::string& line) {
    const std::vector<LostItem>& items = model.firstLostItems;
    std::string place;  // "file:line", one code span
    // All lost items are counted, also those the model did not keep.
    const std::size_t count = std::max(
        items.size(), static_cast<std::size_t>(std::max<std::int64_t>(model.lostItemCount, 0)));
    writeTable(budget,
               "### Lost items\n\n"
               "| Place | Function | Count in 1 | Description |\n|---|---|---|---|\n",
               items.size(), count, budget.limit(), "lost items", line,
               [&](std::string& row, std::size_t i) {
                   const LostItem& item = items[i];
                   place.assign(item.file);
                   place.push_back(':');
                   appendInteger(place, item.line);
                   row.append("| ");
                   appendMarkdownCode(row, place);
                   row.append(item.moved ? " (moved)" : item.edited ? " (edited)" : "");
                   row.append(" | ");
                   appendMarkdownCode(row, item.function);
                   row.append(" | ");
                   appendMarkdownText(row, item.countName);
                   row.push_back(' ');
                   appendCount(row, item.count1);
                   row.append(" | ");
                   appendMarkdownCode(row, item.description);
                   row.append(" |\n");
               });
}

}  // namespace

void writeMarkdownSummary(OutputStream& out, const ReportModel& model, std::size_t limit) {
    MarkdownBudget budget(out, std::max(limit, kSmallestMarkdownLimit));
    std::string line;
    writeTotals(budget, model, line);
    writeWarnings(budget, model, line);

    std::vector<const FileSummary*> lostFiles;
    std::vector<const FileSummary*> removedFiles;
    for (const FileSummary& file : model.files) {
        if (file.lostCoverage()) {
            (file.status == FileStatus::Removed ? removedFiles : lostFiles).push_back(&file);
        }
    }
    if (lostFiles.empty() && removedFiles.empty() && model.lostItemCount == 0) {
        budget.writeFromReserve("**No lost coverage.**\n");
        return;
    }
    // Most lost first; files that lost as much stay in the listing's order.
    std::stable_sort(
        lostFiles.begin(), lostFiles.end(),
        [](const FileSummary* a, const FileSummary* b) { return a->lostItems() > b->lostItems(); });
    // A list with lists after it leaves them room: the files at most two
    // fifths of the limit, the removed files one fifth.
    const bool withItems = model.lostItemCount > 0 || !model.firstLostItems.empty();
    if (!lostFiles.empty()) {
        const bool more = withItems || !removedFiles.empty();
        writeLostFiles(budget, lostFiles,
                       more ? budget.written() + budget.limit() * 2 / 5 : budget.limit(), line);
    }
    if (!removedFiles.empty()) {
        writeRemovedFiles(budget, removedFiles,
                          withItems ? budget.written() + budget.limit() / 5 : budget.limit(), line);
    }
    if (withItems) {
        writeLostItems(budget, model, line);
    }
}

}  // namespace korvcmp
