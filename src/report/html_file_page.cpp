// The page of one file section: its totals, its functions, then every
// profile line as a table row with both runs' counts: by position beside its
// partner's in a compared file, aligned by construct in an edited or moved
// one (a line only one run has is a row of its own, said "added" or
// "deleted" in words as well as by its class), alone in any other. Rows are written
// straight from the listing's records, lean (no classes or styles of their
// own but where a line stands out), since a large listing has millions.
// A section of more rows than a browser lays out in a few seconds is written
// as several pages, parts of its rows, linked to each other; the first part
// holds the totals and the functions.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "listing/listing_parser.h"
#include "listing/listing_texts.h"
#include "listing/profile_line_classifier.h"
#include "output/figure_text.h"
#include "report/html_page_parts.h"
#include "report/html_pages.h"
#include "report/html_text.h"

namespace korvcmp {
namespace {

// The source lines that already have their row id on this page. Line
// numbers can repeat (after "#line" directives); only the first row of each
// is addressable. The bits grow with the highest number seen, so a short
// page costs little.
class FirstRowsOfLines {
  public:
    // True the first time `line` (not 0) is asked for.
    bool claim(std::uint32_t line) {
        if (line == 0) {
            return false;
        }
        const std::size_t word = line >> 6;
        const std::uint64_t bit = std::uint64_t{1} << (line & 63);
        if (word >= seen_.size()) {
            seen_.resize(word + 1 + seen_.size());
        }
        if ((seen_[word] & bit) != 0) {
            return false;
        }
        seen_[word] |= bit;
        return true;
    }

  private:
    std::vector<std::uint64_t> seen_;
};

// One page of a file section's rows.
struct PagePart {
    std::string name;  // the page's file name, in the folder of the file pages
    std::int64_t rows = 0;
    std::int64_t firstLost = 0;  // the numbers of its lost items; 0 and -1 for none
    std::int64_t lastLost = -1;
    std::uint32_t firstLine = 0;  // the lowest and highest source line it addresses
    std::uint32_t lastLine = 0;
};

// The file name of a page in the folder of the file pages.
std::string_view baseNameOf(std::string_view page) {
    const std::size_t slash = page.find_last_of('/');
    return slash == std::string_view::npos ? page : page.substr(slash + 1);
}

// One row of a section's line table.
struct PageRow {
    const ListingLine* line2 = nullptr;    // the line of listing 2; none on a deleted row
    const ListingLine* line1 = nullptr;    // its partner, or the deleted line of listing 1
    std::int64_t functionIndex = -1;       // the function whose first row it is
    bool profileLine = false;              // else an include line or a "#line" directive
    const AlignedLine* aligned = nullptr;  // what became of its items, in the aligned view
    bool renamed = false;                  // the FUNCTION lines of a renamed function
};

// The marker an item's change shows: gained is new coverage, lost is lost
// coverage; kept, added and deleted items have none.
char markerOf(ItemChange change) {
    return change == ItemChange::Gained ? kNewMarker
           : change == ItemChange::Lost ? kLostMarker
                                        : '\0';
}

// The marker of a row's item at column 10 or 21: korvcmp's, or that of the
// item's category in the aligned view.
char markerAt(const PageRow& row, int column) {
    if (row.aligned != nullptr) {
        return markerOf(column == kTrueMarkerColumn ? row.aligned->trueItem
                                                    : row.aligned->falseItem);
    }
    return row.line2 != nullptr ? row.line2->markerAt(column) : '\0';
}

// A walk over the rows of a section's line table, in page order: the include
// lines, then each function's "#line" directive and profile lines, with the
// partner line of listing 1 where the section was compared, or as
// `alignment` pairs them (listing 2's functions, then the deleted ones).
template <typename Visit>
void forEachRow(const MonitoredFile& file2, const MonitoredFile* file1,
                const SectionAlignment* alignment, Visit&& visit) {
    for (const ListingLine* include = file2.firstInclude; include != nullptr;
         include = include->next()) {
        visit(PageRow{include});
    }
    if (alignment != nullptr) {
        std::int64_t functionIndex = 0;
        for (const AlignedFunction& function : alignment->functions) {
            const FunctionBlock* block =
                function.function2 != nullptr ? function.function2 : function.function1;
            if (block != nullptr && block->lineDirective != nullptr) {
                visit(PageRow{block->lineDirective});
            }
            std::int64_t rowFunction = functionIndex++;
            for (const AlignedLine& line : function.lines) {
                if (line.line1 == nullptr && line.line2 == nullptr) {
                    continue;
                }
                visit(PageRow{line.line2, line.line1, rowFunction, true, &line,
                              function.pairedByBody && rowFunction >= 0});
                rowFunction = -1;
            }
        }
        return;
    }
    const FunctionBlock* function1 = file1 != nullptr ? file1->firstFunction : nullptr;
    std::int64_t functionIndex = 0;
    for (const FunctionBlock* function = file2.firstFunction; function != nullptr;
         function = function->next, ++functionIndex) {
        if (function->lineDirective != nullptr) {
            visit(PageRow{function->lineDirective});
        }
        const ListingLine* line1 = function1 != nullptr ? function1->firstLine : nullptr;
        std::int64_t rowFunction = functionIndex;
        for (const ListingLine* line = function->firstLine; line != nullptr; line = line->next()) {
            visit(PageRow{line, line1, rowFunction, true});
            rowFunction = -1;
            line1 = line1 != nullptr ? line1->next() : nullptr;
        }
        function1 = function1 != nullptr ? function1->next : nullptr;
    }
}

// The lost items of the aligned view: the lost markers its table holds.
std::int64_t lostItemsOf(const SectionAlignment& alignment) {
    std::int64_t lost = 0;
    for (const AlignedFunction& function : alignment.functions) {
        for (const AlignedLine& line : function.lines) {
            lost += line.trueItem == ItemChange::Lost ? 1 : 0;
            lost += line.falseItem == ItemChange::Lost ? 1 : 0;
        }
    }
    return lost;
}

class FilePageWriter {
  public:
    FilePageWriter(OutputStream& out, const FileSummary& summary, const MonitoredFile& file2,
                   const MonitoredFile* file1, const SectionAlignment* alignment)
        : out_(&out),
          summary_(summary),
          file2_(file2),
          file1_(file1),
          alignment_(alignment),
          lostItems_(alignment != nullptr ? lostItemsOf(*alignment) : file2.lostHits) {}

    // Splits the rows into parts of at most `rowsPerPart` rows. The first
    // part is the page `summary.page`, part k "<page>.part<k>.html" beside it.
    void planParts(std::int64_t rowsPerPart) {
        FirstRowsOfLines claimed;
        std::int64_t lost = 0;
        forEachRow(file2_, file1_, alignment_, [&](const PageRow& row) {
            if (parts_.empty() || parts_.back().rows == rowsPerPart) {
                parts_.emplace_back().name = partName(parts_.size() + 1);
            }
            PagePart& part = parts_.back();
            ++part.rows;
            if (row.functionIndex >= 0) {
                functionParts_.push_back(parts_.size() - 1);
            }
            if (!row.profileLine) {
                return;
            }
            // A deleted line has no address: its number is listing 1's.
            const std::uint32_t number = row.line2 != nullptr ? row.line2->lineNumber : 0;
            if (claimed.claim(number)) {
                part.firstLine = part.firstLine == 0 ? number : std::min(part.firstLine, number);
                part.lastLine = std::max(part.lastLine, number);
            }
            for (const int column : {kTrueMarkerColumn, kFalseMarkerColumn}) {
                if (markerAt(row, column) == kLostMarker) {
                    part.firstLost = part.firstLost == 0 ? lost + 1 : part.firstLost;
                    part.lastLost = ++lost;
                }
            }
        });
        if (parts_.empty()) {
            parts_.emplace_back().name = partName(1);
        }
    }

    void writeHeading(const ReportModel& model) {
        out_->write("<header class=\"top\"><a class=\"up\" href=\"../index.html\">← ");
        writeHtmlText(*out_, model.title);
        out_->write("</a>\n<h1>");
        writeHtmlText(*out_, summary_.path);
        out_->write("</h1>\n<p class=\"st\">");
        writeFileStatus(*out_, summary_);
        out_->write("</p>\n</header>\n<main>\n");
        writePartNavigation();
        if (currentPart_ > 0) {
            return;
        }
        if (alignment_ != nullptr) {
            writeAlignedHeading();
            writeLostNavigation();
            return;
        }
        if (file1_ == nullptr) {
            out_->write("<p class=\"why\">Not compared");
            if (!summary_.reason.empty()) {
                out_->write(" (");
                writeHtmlText(*out_, summary_.reason);
                out_->put(')');
            }
            out_->write(
                ": listing 2's lines are shown alone, and every covered item counts as "
                "new.</p>\n");
        }
        out_->write("<section class=\"cards\">\n");
        writeCoverageCards(*out_, summary_.ter1, summary_.ter2, summary_.change, 0, 0);
        out_->write("</section>\n");
        writeLostNavigation();
    }

    void writeFunctionTable(bool functionCoverage) {
        out_->write("<h2>Functions</h2>\n<table class=\"fn\">\n<thead><tr><th>Function<th>Line");
        if (!functionCoverage) {
            out_->write("<th>Coverage 1<th>Coverage 2");
        }
        out_->write(alignment_ != nullptr ? "<th>Gained<th>Lost<th>Added<th>Deleted</tr></thead>\n"
                                          : "<th>New<th>Lost</tr></thead>\n");
        out_->write("<tbody>\n");
        for (std::size_t k = 0; k < summary_.functions.size(); ++k) {
            const FunctionSummary& function = summary_.functions[k];
            out_->write("<tr><td><a href=\"");
            writePartLink(k < functionParts_.size() ? functionParts_[k] : 0);
            out_->write("#F");
            out_->writeInteger(static_cast<std::int64_t>(k));
            out_->write("\">");
            writeHtmlText(*out_, function.name);
            out_->write("</a>");
            if (function.deleted) {
                out_->write(" <small>(deleted)</small>");
            } else if (!function.renamedFrom.empty()) {
                out_->write(" <small>(renamed from ");
                writeHtmlText(*out_, function.renamedFrom);
                out_->write(")</small>");
            }
            out_->write("<td>");
            out_->writeInteger(function.line);
            if (!functionCoverage) {
                out_->write("<td>");
                writeCoverage(*out_, function.ter1);
                out_->write("<td>");
                writeCoverageBar(*out_, function.ter1, function.ter2);
            }
            if (alignment_ != nullptr) {
                writeFunctionChanges(function.changes);
            } else {
                out_->write("<td>");
                out_->write(groupedCount(function.change.newHits));
                out_->write(function.change.lostHits > 0 ? "<td class=\"neg\">" : "<td>");
                out_->write(groupedCount(function.change.lostHits));
            }
            out_->write("\n");
        }
        out_->write("</tbody>\n</table>\n");
    }

    // The line table, part by part: `nextPart` finishes the page of a part
    // and gives the stream of the next one, its heading written.
    template <typename NextPart>
    void writeLineTable(const ReportModel& model, NextPart&& nextPart) {
        writeLineTableStart();
        std::int64_t rowsInPart = 0;
        forEachRow(file2_, file1_, alignment_, [&](const PageRow& row) {
            if (rowsInPart == parts_[currentPart_].rows) {
                writeLineTableEnd();
                ++currentPart_;
                out_ = &nextPart(*out_, parts_[currentPart_].name);
                writeHeading(model);
                writeLineTableStart();
                rowsInPart = 0;
            }
            ++rowsInPart;
            if (!row.profileLine) {
                writeTextRow(*row.line2);
            } else if (alignment_ != nullptr) {
                writeAlignedRow(row);
            } else {
                writeProfileRow(*row.line2, row.line1, row.functionIndex);
            }
        });
        writeLineTableEnd();
    }

    OutputStream& out() { return *out_; }

  private:
    // Why an edited or moved file's page looks as it does, and what became
    // of its items.
    void writeAlignedHeading() {
        out_->write("<p class=\"why\">");
        if (!summary_.movedFrom.empty()) {
            out_->write("Moved from ");
            writeHtmlText(*out_, summary_.movedFrom);
            out_->write(": its lines are aligned with that file's in listing 1");
        } else {
            out_->write(
                "Edited: korvcmp does not compare it (its structure differs), so its lines are "
                "aligned with listing 1's");
        }
        out_->write(
            " by construct. A line only run 2 has is marked added, a line only run 1 has "
            "deleted, and the line in run 1 stands beside the line in run 2 where it moved."
            "</p>\n<section class=\"cards\">\n");
        writeRunCoverageCards(*out_, summary_.ter1, summary_.ter2);
        writeChangeCards(*out_, alignment_->changes);
        out_->write("</section>\n");
    }

    void writeFunctionChanges(const ChangeCategories& changes) {
        out_->write("<td>");
        out_->write(groupedCount(changes.gained));
        out_->write(changes.lost > 0 ? "<td class=\"neg\">" : "<td>");
        out_->write(groupedCount(changes.lost));
        out_->write("<td>");
        out_->write(groupedCount(changes.addedCovered));
        out_->write(" of ");
        out_->write(groupedCount(changes.addedCovered + changes.addedUncovered));
        out_->write("<td>");
        out_->write(groupedCount(changes.deletedCovered + changes.deletedUncovered));
    }

    std::string partName(std::size_t number) const {
        std::string_view page = baseNameOf(summary_.page);
        if (number == 1) {
            return std::string(page);
        }
        if (page.ends_with(".html")) {
            page.remove_suffix(5);
        }
        return std::string(page) + ".part" + std::to_string(number) + ".html";
    }

    // The href of part `index` (from 0) from the current part: nothing for
    // the part itself.
    void writePartLink(std::size_t index) {
        if (index != currentPart_ && index < parts_.size()) {
            writeHtmlText(*out_, parts_[index].name);
        }
    }

    // The part that holds lost item `number`.
    std::size_t partOfLost(std::int64_t number) const {
        for (std::size_t i = 0; i < parts_.size(); ++i) {
            if (number <= parts_[i].lastLost) {
                return i;
            }
        }
        return parts_.size() - 1;
    }

    // Where the section has several parts: a link to each, with the source
    // lines it holds. The script reads the data attributes to send an
    // address of another part (#L120, #lost7) there.
    void writePartNavigation() {
        if (parts_.size() < 2) {
            return;
        }
        out_->write("<nav class=\"parts\">Part ");
        out_->writeInteger(static_cast<std::int64_t>(currentPart_ + 1));
        out_->write(" of ");
        out_->writeInteger(static_cast<std::int64_t>(parts_.size()));
        out_->write(":");
        for (std::size_t i = 0; i < parts_.size(); ++i) {
            const PagePart& part = parts_[i];
            out_->write(i == currentPart_ ? " <b" : " <a href=\"");
            if (i != currentPart_) {
                writePartLink(i);
                out_->put('"');
            }
            out_->write(" data-part=\"");
            writeHtmlText(*out_, part.name);
            out_->write("\" data-lines=\"");
            out_->writeInteger(part.firstLine);
            out_->put('-');
            out_->writeInteger(part.lastLine);
            out_->write("\" data-lost=\"");
            out_->writeInteger(part.firstLost);
            out_->put('-');
            out_->writeInteger(part.lastLost);
            out_->write("\">");
            out_->writeInteger(static_cast<std::int64_t>(i + 1));
            if (part.firstLine != 0) {
                out_->write(" <small>(lines ");
                out_->writeInteger(part.firstLine);
                out_->write("–");
                out_->writeInteger(part.lastLine);
                out_->write(")</small>");
            }
            out_->write(i == currentPart_ ? "</b>" : "</a>");
        }
        out_->write("</nav>\n");
    }

    void writeLineTableStart() {
        if (currentPart_ == 0) {
            out_->write("<h2>Profile lines</h2>\n");
        }
        if (alignment_ != nullptr) {
            out_->write(
                "<div class=\"wrap\">\n<table class=\"pl al\">\n<thead><tr><th>Line<th><abbr "
                "title=\"The line in run 1 where it moved or was deleted\">Was</abbr><th>Hits/true "
                "1<th>False 1<th>Hits/true 2<th><span class=\"vh\">Mark</span><th>False 2<th><span "
                "class=\"vh\">Mark</span><th><abbr title=\"Coverage flag: - where not covered (run "
                "1's on a deleted line, else run "
                "2's)\">Flag</abbr><th>Change<th>Description<th><span "
                "class=\"vh\">Previous and next lost item</span></tr></thead>\n<tbody>\n");
            return;
        }
        out_->write("<div class=\"wrap\">\n<table class=\"pl");
        out_->write(file1_ != nullptr ? " c1\">" : "\">");
        out_->write("\n<thead><tr><th>Line");
        if (file1_ != nullptr) {
            out_->write("<th>Hits/true 1<th>False 1");
        }
        out_->write(
            "<th>Hits/true 2<th><span class=\"vh\">Mark</span><th>False 2<th><span "
            "class=\"vh\">Mark</span><th><abbr title=\"Coverage flag of run 2: - where not "
            "covered\">Flag</abbr>"
            "<th>Description<th><span class=\"vh\">Previous and next lost item</span></tr>"
            "</thead>\n<tbody>\n");
    }

    void writeLineTableEnd() { out_->write("</tbody>\n</table>\n</div>\n"); }

    void writeLostNavigation() {
        out_->write("<p class=\"nav\">");
        if (lostItems_ == 0) {
            out_->write("No lost items.</p>\n");
            return;
        }
        out_->write(groupedCount(lostItems_));
        out_->write(lostItems_ == 1 ? " lost item: " : " lost items: ");
        out_->write("<a href=\"");
        writePartLink(partOfLost(1));
        out_->write("#lost1\">first</a> · <a href=\"");
        writePartLink(partOfLost(lostItems_));
        out_->write("#lost");
        out_->writeInteger(lostItems_);
        out_->write(
            "\">last</a> <span class=\"keys\">(keys <kbd>n</kbd> / <kbd>p</kbd>: next / "
            "previous)</span></p>\n");
    }

    // An include line or a "#line" directive, as it stands.
    void writeTextRow(const ListingLine& line) {
        std::string_view text = line.view();
        while (!text.empty() && text.front() == ' ') {
            text.remove_prefix(1);
        }
        out_->write(alignment_ != nullptr ? "<tr class=\"d\"><td colspan=\"10\"><td>"
                    : file1_ != nullptr   ? "<tr class=\"d\"><td colspan=\"8\"><td>"
                                          : "<tr class=\"d\"><td colspan=\"6\"><td>");
        writeHtmlText(*out_, text);
        out_->put('\n');
    }

    // The cell of a marker: one element with the class "lost" or "new"
    // holding it, the lost ones numbered for the navigation.
    void writeMarker(char marker) {
        if (marker == kLostMarker) {
            ++lostWritten_;
            out_->write("<td><span class=\"lost\" id=\"lost");
            out_->writeInteger(lostWritten_);
            out_->write("\">v</span>");
        } else if (marker == kNewMarker) {
            out_->write("<td><span class=\"new\">^</span>");
        } else {
            out_->write("<td>");
        }
    }

    // Opens a row of the class `rowClass` (none when empty) and writes its
    // first cell, the source line `number` (blank when 0). The first row of
    // each source line is addressed "L<line>", a function's first row
    // (`functionIndex` not negative) "F<functionIndex>".
    void writeRowStart(std::uint32_t number, std::int64_t functionIndex,
                       std::string_view rowClass) {
        const bool firstOfLine = rowsOfLines_.claim(number);
        out_->write("<tr");
        if (!rowClass.empty()) {
            out_->write(" class=\"");
            out_->write(rowClass);
            out_->put('"');
        }
        if (functionIndex >= 0) {
            out_->write(" id=\"F");
            out_->writeInteger(functionIndex);
            out_->write(firstOfLine ? "\"><td id=\"L" : "\"><td>");
        } else {
            out_->write(firstOfLine ? " id=\"L" : "><td>");
        }
        if (firstOfLine) {
            out_->writeInteger(number);
            out_->write(functionIndex >= 0 ? "\">" : "\"><td>");
        }
        if (number != 0) {
            out_->writeInteger(number);
        }
    }

    // A row of the aligned view: a paired line with both runs' counts and
    // the markers of its items' categories, or a line only one run has.
    void writeAlignedRow(const PageRow& row) {
        const ListingLine* line1 = row.line1;
        const ListingLine* line2 = row.line2;
        // A row with a lost item stands out by its class, as in a compared
        // file; added and deleted rows by theirs. A deleted line has no
        // address: its number is listing 1's, in the column of old numbers.
        const bool holdsLost = markerAt(row, kTrueMarkerColumn) == kLostMarker ||
                               markerAt(row, kFalseMarkerColumn) == kLostMarker;
        writeRowStart(line2 != nullptr ? line2->lineNumber : 0, row.functionIndex,
                      holdsLost          ? "hl"
                      : line1 == nullptr ? "added"
                      : line2 == nullptr ? "deleted"
                                         : "");
        out_->write("<td>");
        if (line1 != nullptr && line1->lineNumber != 0 &&
            (line2 == nullptr || line2->lineNumber != line1->lineNumber)) {
            out_->writeInteger(line1->lineNumber);
        }
        const std::string_view text1 = line1 != nullptr ? line1->view() : std::string_view{};
        const std::string_view text2 = line2 != nullptr ? line2->view() : std::string_view{};
        writeCountCells(text1);
        const std::int64_t lostBefore = lostWritten_;
        writeMarkedCountCells(text2, markerAt(row, kTrueMarkerColumn),
                              markerAt(row, kFalseMarkerColumn));
        // A deleted line shows listing 1's flag and description.
        const std::string_view shown = line2 != nullptr ? text2 : text1;
        writeFlagCell(shown);
        out_->write("<td>");
        if (line1 == nullptr) {
            out_->write("added");
        } else if (line2 == nullptr) {
            out_->write("deleted");
        } else if (row.renamed) {
            std::string_view name = descriptionOf(text1);
            if (name.starts_with(kFunction)) {
                name.remove_prefix(kFunction.size());
            }
            out_->write("renamed from ");
            writeHtmlText(*out_, name);
        }
        writeDescriptionCell(shown);
        if (lostWritten_ != lostBefore) {
            writeRowNavigation(lostBefore, lostWritten_ + 1);
        }
        out_->put('\n');
    }

    // The HITS/TRUE and FALSE counts of a line of run 1 (none: empty cells).
    void writeCountCells(std::string_view text) {
        out_->write("<td>");
        writeHtmlText(*out_, trueCountOf(text));
        out_->write("<td>");
        writeHtmlText(*out_, falseCountOf(text));
    }

    // The counts of a line of run 2, each followed by its marker.
    void writeMarkedCountCells(std::string_view text, char trueMarker, char falseMarker) {
        out_->write("<td>");
        writeHtmlText(*out_, trueCountOf(text));
        writeMarker(trueMarker);
        out_->write("<td>");
        writeHtmlText(*out_, falseCountOf(text));
        writeMarker(falseMarker);
    }

    void writeFlagCell(std::string_view text) {
        out_->write("<td>");
        if (text.size() > static_cast<std::size_t>(kCoverageFlagColumn) &&
            text[kCoverageFlagColumn] != ' ') {
            writeHtmlText(*out_, text.substr(kCoverageFlagColumn, 1));
        }
    }

    void writeDescriptionCell(std::string_view text) {
        out_->write("<td>");
        if (text.size() > static_cast<std::size_t>(kDescriptionColumn)) {
            writeHtmlText(*out_, text.substr(kDescriptionColumn));
        }
    }

    void writeProfileRow(const ListingLine& line, const ListingLine* line1,
                         std::int64_t functionIndex) {
        const std::string_view text = line.view();
        // A row with a lost item stands out by its class: a style sheet that
        // asked whether a row holds one would take seconds on a long page.
        const bool holdsLost = line.markerAt(kTrueMarkerColumn) == kLostMarker ||
                               line.markerAt(kFalseMarkerColumn) == kLostMarker;
        writeRowStart(line.lineNumber, functionIndex, holdsLost ? "hl" : "");
        if (file1_ != nullptr) {
            writeCountCells(line1 != nullptr ? line1->view() : std::string_view{});
        }
        const std::int64_t lostBefore = lostWritten_;
        writeMarkedCountCells(text, line.markerAt(kTrueMarkerColumn),
                              line.markerAt(kFalseMarkerColumn));
        writeFlagCell(text);
        writeDescriptionCell(text);
        if (lostWritten_ != lostBefore) {
            writeRowNavigation(lostBefore, lostWritten_ + 1);
        }
        out_->put('\n');
    }

    // Links from a row with lost items to the lost items before and after it.
    void writeRowNavigation(std::int64_t previous, std::int64_t next) {
        out_->write("<td class=\"nv\">");
        if (previous > 0) {
            out_->write("<a href=\"");
            writePartLink(partOfLost(previous));
            out_->write("#lost");
            out_->writeInteger(previous);
            out_->write("\" rel=\"prev\">‹</a>");
        }
        if (next <= lostItems_) {
            out_->write("<a href=\"");
            writePartLink(partOfLost(next));
            out_->write("#lost");
            out_->writeInteger(next);
            out_->write("\" rel=\"next\">›</a>");
        }
    }

    OutputStream* out_;
    const FileSummary& summary_;
    const MonitoredFile& file2_;
    const MonitoredFile* file1_;
    const SectionAlignment* alignment_;
    const std::int64_t lostItems_;
    std::int64_t lostWritten_ = 0;
    FirstRowsOfLines rowsOfLines_;
    std::vector<PagePart> parts_;
    std::vector<std::size_t> functionParts_;  // the part of each function's first row
    std::size_t currentPart_ = 0;
};

}  // namespace

void writeFilePage(FilePageFiles& files, const ReportModel& model, const FileSummary& summary,
                   const MonitoredFile& file2, const MonitoredFile* file1,
                   const char* listing2CoverageView, const SectionAlignment* alignment,
                   std::int64_t rowsPerPart) {
    // A section that was not compared shows listing 2's lines alone, also
    // when listing 1 has a section of its name: their lines need not stand
    // against each other. An edited or moved one shows them aligned.
    OutputStream& first = files.open(summary.page);
    FilePageWriter page(first, summary, file2, file2.comparable != 0 ? file1 : nullptr, alignment);
    page.planParts(rowsPerPart);
    const std::string folder =
        summary.page.substr(0, summary.page.size() - baseNameOf(summary.page).size());
    writePageStart(first, summary.path, model.title, "../");
    page.writeHeading(model);
    page.writeFunctionTable(isFunctionCoverage(file2.modeLine, listing2CoverageView));
    page.writeLineTable(model,
                        [&](OutputStream& finished, const std::string& name) -> OutputStream& {
                            finished.write("</main>\n");
                            writePageEnd(finished);
                            files.close(finished);
                            OutputStream& next = files.open(folder + name);
                            writePageStart(next, summary.path, model.title, "../");
                            return next;
                        });
    page.out().write("</main>\n");
    writePageEnd(page.out());
    files.close(page.out());
}

void writeFilePage(OutputStream& out, const ReportModel& model, const FileSummary& summary,
                   const MonitoredFile& file2, const MonitoredFile* file1,
                   const char* listing2CoverageView, const SectionAlignment* alignment) {
    // One page, whatever its length.
    struct OneStream : FilePageFiles {
        explicit OneStream(OutputStream& stream) : out(stream) {}
        OutputStream& open(const std::string&) override { return out; }
        void close(OutputStream&) override {}
        OutputStream& out;
    } one(out);
    writeFilePage(one, model, summary, file2, file1, listing2CoverageView, alignment, INT64_MAX);
}

}  // namespace korvcmp
