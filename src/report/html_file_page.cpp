// The page of one file section: its totals, its functions, then every
// profile line as a table row with both runs' counts: by position beside its
// partner's in a compared file, aligned by construct in an edited or moved
// one, alone in any other.
#include <cstdint>
#include <string_view>

#include "listing/listing_parser.h"
#include "listing/profile_line_classifier.h"
#include "report/html_aligned_lines.h"
#include "report/html_page_parts.h"
#include "report/html_pages.h"
#include "report/html_profile_rows.h"
#include "report/html_text.h"

namespace korvcmp {
namespace {

class FilePageWriter {
  public:
    FilePageWriter(OutputStream& out, const FileSummary& summary, const MonitoredFile& file2,
                   const MonitoredFile* file1, const SectionAlignment* alignment)
        : out_(out),
          summary_(summary),
          file2_(file2),
          file1_(file1),
          alignment_(alignment),
          rows_(out, alignment != nullptr ? lostItemsOf(*alignment) : file2.lostHits) {}

    void writeHeading(const ReportModel& model) {
        out_.write("<header class=\"top\"><a class=\"up\" href=\"../index.html\">← ");
        writeHtmlText(out_, model.title);
        out_.write("</a>\n<h1>");
        writeHtmlText(out_, summary_.path);
        out_.write("</h1>\n<p class=\"st\">");
        writeFileStatus(out_, summary_);
        out_.write("</p>\n</header>\n<main>\n");
        if (alignment_ != nullptr) {
            writeAlignedHeading();
        } else if (file1_ == nullptr) {
            out_.write("<p class=\"why\">Not compared");
            if (!summary_.reason.empty()) {
                out_.write(" (");
                writeHtmlText(out_, summary_.reason);
                out_.put(')');
            }
            out_.write(
                ": listing 2's lines are shown alone, and every covered item counts as "
                "new.</p>\n");
        }
        if (alignment_ == nullptr) {
            out_.write("<section class=\"cards\">\n");
            writeCoverageCards(out_, summary_.ter1, summary_.ter2, summary_.change);
            out_.write("</section>\n");
        }
        rows_.writeLostNavigation();
    }

    void writeFunctionTable(bool functionCoverage) {
        out_.write("<h2>Functions</h2>\n<table class=\"fn\">\n<thead><tr><th>Function<th>Line");
        if (!functionCoverage) {
            out_.write("<th>Coverage 1<th>Coverage 2");
        }
        out_.write(alignment_ != nullptr ? "<th>Gained<th>Lost<th>Added<th>Deleted</tr></thead>\n"
                                         : "<th>New<th>Lost</tr></thead>\n");
        out_.write("<tbody>\n");
        for (std::size_t k = 0; k < summary_.functions.size(); ++k) {
            const FunctionSummary& function = summary_.functions[k];
            out_.write("<tr><td><a href=\"#F");
            out_.writeInteger(static_cast<std::int64_t>(k));
            out_.write("\">");
            writeHtmlText(out_, function.name);
            out_.write("</a>");
            if (function.deleted) {
                out_.write(" <small>(deleted)</small>");
            } else if (!function.renamedFrom.empty()) {
                out_.write(" <small>(renamed from ");
                writeHtmlText(out_, function.renamedFrom);
                out_.write(")</small>");
            }
            out_.write("<td>");
            out_.writeInteger(function.line);
            if (!functionCoverage) {
                out_.write("<td>");
                writeCoverage(out_, function.ter1);
                out_.write("<td>");
                writeCoverageBar(out_, function.ter1, function.ter2);
            }
            if (alignment_ != nullptr) {
                writeFunctionChanges(function.changes);
            } else {
                out_.write("<td>");
                out_.writeInteger(function.change.newHits);
                out_.write(function.change.lostHits > 0 ? "<td class=\"neg\">" : "<td>");
                out_.writeInteger(function.change.lostHits);
            }
            out_.write("\n");
        }
        out_.write("</tbody>\n</table>\n");
    }

    void writeLineTable() {
        if (alignment_ != nullptr) {
            writeAlignedLineTable(out_, rows_, file2_, *alignment_);
            return;
        }
        out_.write("<h2>Profile lines</h2>\n<div class=\"wrap\">\n<table class=\"pl");
        out_.write(file1_ != nullptr ? " c1\">" : "\">");
        out_.write("\n<thead><tr><th>Line");
        if (file1_ != nullptr) {
            out_.write("<th>Hits/true 1<th>False 1");
        }
        out_.write(
            "<th>Hits/true 2<th><span class=\"vh\">Mark</span><th>False 2<th><span "
            "class=\"vh\">Mark</span><th><abbr title=\"Coverage flag of run 2: - where not "
            "covered\">Flag</abbr>"
            "<th>Description<th><span class=\"vh\">Previous and next lost item</span></tr>"
            "</thead>\n<tbody>\n");
        const int cellsBeforeText = file1_ != nullptr ? 8 : 6;
        for (const ListingLine* include = file2_.firstInclude; include != nullptr;
             include = include->next()) {
            rows_.writeTextRow(*include, cellsBeforeText);
        }
        const FunctionBlock* function1 = file1_ != nullptr ? file1_->firstFunction : nullptr;
        std::int64_t functionIndex = 0;
        for (const FunctionBlock* function = file2_.firstFunction; function != nullptr;
             function = function->next, ++functionIndex) {
            if (function->lineDirective != nullptr) {
                rows_.writeTextRow(*function->lineDirective, cellsBeforeText);
            }
            const ListingLine* line1 = function1 != nullptr ? function1->firstLine : nullptr;
            std::int64_t rowFunction = functionIndex;
            for (const ListingLine* line = function->firstLine; line != nullptr;
                 line = line->next()) {
                writeProfileRow(*line, line1, rowFunction);
                rowFunction = -1;
                line1 = line1 != nullptr ? line1->next() : nullptr;
            }
            function1 = function1 != nullptr ? function1->next : nullptr;
        }
        out_.write("</tbody>\n</table>\n</div>\n");
    }

  private:
    // Why the page looks as it does, and what became of the file's items.
    void writeAlignedHeading() {
        out_.write("<p class=\"why\">");
        if (!summary_.movedFrom.empty()) {
            out_.write("Moved from ");
            writeHtmlText(out_, summary_.movedFrom);
            out_.write(": its lines are aligned with that file's in listing 1");
        } else {
            out_.write(
                "Edited: korvcmp does not compare it (its structure differs), so its lines are "
                "aligned with listing 1's");
        }
        out_.write(
            " by construct. A line only run 2 has is marked added, a line only run 1 has "
            "deleted, and the line in run 1 stands beside the line in run 2 where it moved."
            "</p>\n<section class=\"cards\">\n");
        writeRunCoverageCards(out_, summary_.ter1, summary_.ter2);
        writeChangeCards(out_, alignment_->changes);
        out_.write("</section>\n");
    }

    void writeFunctionChanges(const ChangeCategories& changes) {
        out_.write("<td>");
        out_.writeInteger(changes.gained);
        out_.write(changes.lost > 0 ? "<td class=\"neg\">" : "<td>");
        out_.writeInteger(changes.lost);
        out_.write("<td>");
        out_.writeInteger(changes.addedCovered);
        out_.write(" of ");
        out_.writeInteger(changes.addedCovered + changes.addedUncovered);
        out_.write("<td>");
        out_.writeInteger(changes.deletedCovered + changes.deletedUncovered);
    }

    void writeProfileRow(const ListingLine& line, const ListingLine* line1,
                         std::int64_t functionIndex) {
        const std::string_view text = line.view();
        rows_.startRow(line.lineNumber, functionIndex);
        if (file1_ != nullptr) {
            const std::string_view text1 = line1 != nullptr ? line1->view() : std::string_view{};
            out_.write("<td>");
            writeHtmlText(out_, trueCountOf(text1));
            out_.write("<td>");
            writeHtmlText(out_, falseCountOf(text1));
        }
        const std::int64_t lostBefore = rows_.lostWritten();
        out_.write("<td>");
        writeHtmlText(out_, trueCountOf(text));
        rows_.writeMarker(line.markerAt(kTrueMarkerColumn));
        out_.write("<td>");
        writeHtmlText(out_, falseCountOf(text));
        rows_.writeMarker(line.markerAt(kFalseMarkerColumn));
        rows_.writeFlagCell(text);
        rows_.writeDescriptionCell(text);
        rows_.endRow(lostBefore);
    }

    OutputStream& out_;
    const FileSummary& summary_;
    const MonitoredFile& file2_;
    const MonitoredFile* file1_;
    const SectionAlignment* alignment_;
    ProfileRows rows_;
};

}  // namespace

void writeFilePage(OutputStream& out, const ReportModel& model, const FileSummary& summary,
                   const MonitoredFile& file2, const MonitoredFile* file1,
                   const char* listing2CoverageView, const SectionAlignment* alignment) {
    writePageStart(out, summary.path, model.title, "../");
    // A section that was not compared shows listing 2's lines alone, also
    // when listing 1 has a section of its name: their lines need not stand
    // against each other. An edited or moved one shows them aligned.
    FilePageWriter page(out, summary, file2, file2.comparable != 0 ? file1 : nullptr, alignment);
    page.writeHeading(model);
    page.writeFunctionTable(isFunctionCoverage(file2.modeLine, listing2CoverageView));
    page.writeLineTable();
    out.write("</main>\n");
    writePageEnd(out);
}

}  // namespace korvcmp
