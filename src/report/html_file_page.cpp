// The page of one file section: its totals, its functions, then every
// profile line as a table row with both runs' counts. Rows are written
// straight from the listing's records, lean (no classes or styles of their
// own but where a line stands out), since a large listing has millions.
#include <cstdint>
#include <string_view>
#include <vector>

#include "listing/listing_parser.h"
#include "listing/profile_line_classifier.h"
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

class FilePageWriter {
  public:
    FilePageWriter(OutputStream& out, const FileSummary& summary, const MonitoredFile& file2,
                   const MonitoredFile* file1)
        : out_(out), summary_(summary), file2_(file2), file1_(file1), lostItems_(file2.lostHits) {}

    void writeHeading(const ReportModel& model) {
        out_.write("<header class=\"top\"><a class=\"up\" href=\"../index.html\">← ");
        writeHtmlText(out_, model.title);
        out_.write("</a>\n<h1>");
        writeHtmlText(out_, summary_.path);
        out_.write("</h1>\n<p class=\"st\">");
        writeFileStatus(out_, summary_);
        out_.write("</p>\n</header>\n<main>\n");
        if (file1_ == nullptr) {
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
        out_.write("<section class=\"cards\">\n");
        writeCoverageCards(out_, summary_.ter1, summary_.ter2, summary_.change);
        out_.write("</section>\n");
        writeLostNavigation();
    }

    void writeFunctionTable(bool functionCoverage) {
        out_.write("<h2>Functions</h2>\n<table class=\"fn\">\n<thead><tr><th>Function<th>Line");
        if (!functionCoverage) {
            out_.write("<th>Coverage 1<th>Coverage 2");
        }
        out_.write("<th>New<th>Lost</tr></thead>\n<tbody>\n");
        for (std::size_t k = 0; k < summary_.functions.size(); ++k) {
            const FunctionSummary& function = summary_.functions[k];
            out_.write("<tr><td><a href=\"#F");
            out_.writeInteger(static_cast<std::int64_t>(k));
            out_.write("\">");
            writeHtmlText(out_, function.name);
            out_.write("</a><td>");
            out_.writeInteger(function.line);
            if (!functionCoverage) {
                out_.write("<td>");
                writeCoverage(out_, function.ter1);
                out_.write("<td>");
                writeCoverageBar(out_, function.ter1, function.ter2);
            }
            out_.write("<td>");
            out_.writeInteger(function.change.newHits);
            out_.write(function.change.lostHits > 0 ? "<td class=\"neg\">" : "<td>");
            out_.writeInteger(function.change.lostHits);
            out_.write("\n");
        }
        out_.write("</tbody>\n</table>\n");
    }

    void writeLineTable() {
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
        for (const ListingLine* include = file2_.firstInclude; include != nullptr;
             include = include->next()) {
            writeTextRow(*include);
        }
        const FunctionBlock* function1 = file1_ != nullptr ? file1_->firstFunction : nullptr;
        std::int64_t functionIndex = 0;
        for (const FunctionBlock* function = file2_.firstFunction; function != nullptr;
             function = function->next, ++functionIndex) {
            if (function->lineDirective != nullptr) {
                writeTextRow(*function->lineDirective);
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
    void writeLostNavigation() {
        out_.write("<p class=\"nav\">");
        if (lostItems_ == 0) {
            out_.write("No lost items.</p>\n");
            return;
        }
        out_.writeInteger(lostItems_);
        out_.write(lostItems_ == 1 ? " lost item: " : " lost items: ");
        out_.write("<a href=\"#lost1\">first</a> · <a href=\"#lost");
        out_.writeInteger(lostItems_);
        out_.write(
            "\">last</a> <span class=\"keys\">(keys <kbd>n</kbd> / <kbd>p</kbd>: next / "
            "previous)</span></p>\n");
    }

    // An include line or a "#line" directive, as it stands.
    void writeTextRow(const ListingLine& line) {
        std::string_view text = line.view();
        while (!text.empty() && text.front() == ' ') {
            text.remove_prefix(1);
        }
        out_.write(file1_ != nullptr ? "<tr class=\"d\"><td colspan=\"8\"><td>"
                                     : "<tr class=\"d\"><td colspan=\"6\"><td>");
        writeHtmlText(out_, text);
        out_.put('\n');
    }

    // The cell of a marker: one element with the class "lost" or "new"
    // holding it, the lost ones numbered for the navigation.
    void writeMarker(char marker) {
        if (marker == kLostMarker) {
            ++lostWritten_;
            out_.write("<td><span class=\"lost\" id=\"lost");
            out_.writeInteger(lostWritten_);
            out_.write("\">v</span>");
        } else if (marker == kNewMarker) {
            out_.write("<td><span class=\"new\">^</span>");
        } else {
            out_.write("<td>");
        }
    }

    void writeProfileRow(const ListingLine& line, const ListingLine* line1,
                         std::int64_t functionIndex) {
        const std::string_view text = line.view();
        const bool firstOfLine = rowsOfLines_.claim(line.lineNumber);
        if (functionIndex >= 0) {
            out_.write("<tr id=\"F");
            out_.writeInteger(functionIndex);
            out_.write(firstOfLine ? "\"><td id=\"L" : "\"><td>");
        } else {
            out_.write(firstOfLine ? "<tr id=\"L" : "<tr><td>");
        }
        if (firstOfLine) {
            out_.writeInteger(line.lineNumber);
            out_.write(functionIndex >= 0 ? "\">" : "\"><td>");
        }
        if (line.lineNumber != 0) {
            out_.writeInteger(line.lineNumber);
        }
        if (file1_ != nullptr) {
            const std::string_view text1 = line1 != nullptr ? line1->view() : std::string_view{};
            out_.write("<td>");
            writeHtmlText(out_, trueCountOf(text1));
            out_.write("<td>");
            writeHtmlText(out_, falseCountOf(text1));
        }
        const std::int64_t lostBefore = lostWritten_;
        out_.write("<td>");
        writeHtmlText(out_, trueCountOf(text));
        writeMarker(line.markerAt(kTrueMarkerColumn));
        out_.write("<td>");
        writeHtmlText(out_, falseCountOf(text));
        writeMarker(line.markerAt(kFalseMarkerColumn));
        out_.write("<td>");
        if (text.size() > static_cast<std::size_t>(kCoverageFlagColumn) &&
            text[kCoverageFlagColumn] != ' ') {
            writeHtmlText(out_, text.substr(kCoverageFlagColumn, 1));
        }
        out_.write("<td>");
        if (text.size() > static_cast<std::size_t>(kDescriptionColumn)) {
            writeHtmlText(out_, text.substr(kDescriptionColumn));
        }
        if (lostWritten_ != lostBefore) {
            writeRowNavigation(lostBefore, lostWritten_ + 1);
        }
        out_.put('\n');
    }

    // Links from a row with lost items to the lost items before and after it.
    void writeRowNavigation(std::int64_t previous, std::int64_t next) {
        out_.write("<td class=\"nv\">");
        if (previous > 0) {
            out_.write("<a href=\"#lost");
            out_.writeInteger(previous);
            out_.write("\" rel=\"prev\">‹</a>");
        }
        if (next <= lostItems_) {
            out_.write("<a href=\"#lost");
            out_.writeInteger(next);
            out_.write("\" rel=\"next\">›</a>");
        }
    }

    OutputStream& out_;
    const FileSummary& summary_;
    const MonitoredFile& file2_;
    const MonitoredFile* file1_;
    const std::int64_t lostItems_;
    std::int64_t lostWritten_ = 0;
    FirstRowsOfLines rowsOfLines_;
};

}  // namespace

void writeFilePage(OutputStream& out, const ReportModel& model, const FileSummary& summary,
                   const MonitoredFile& file2, const MonitoredFile* file1,
                   const char* listing2CoverageView, const SectionAlignment* /*alignment*/) {
    writePageStart(out, summary.path, model.title, "../");
    // A section that was not compared shows listing 2's lines alone, also
    // when listing 1 has a section of its name: their lines need not stand
    // against each other.
    FilePageWriter page(out, summary, file2, file2.comparable != 0 ? file1 : nullptr);
    page.writeHeading(model);
    page.writeFunctionTable(isFunctionCoverage(file2.modeLine, listing2CoverageView));
    page.writeLineTable();
    out.write("</main>\n");
    writePageEnd(out);
}

}  // namespace korvcmp
