// The page of one file section: its totals, its functions, then every
// profile line as a table row with both runs' counts. Rows are written
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

// A walk over the rows of a section's line table, in page order: the include
// lines, then each function's "#line" directive and profile lines, with the
// partner line of listing 1 where the section was compared.
template <typename Visit>
void forEachRow(const MonitoredFile& file2, const MonitoredFile* file1, Visit&& visit) {
    for (const ListingLine* include = file2.firstInclude; include != nullptr;
         include = include->next()) {
        visit(*include, nullptr, std::int64_t{-1}, false);
    }
    const FunctionBlock* function1 = file1 != nullptr ? file1->firstFunction : nullptr;
    std::int64_t functionIndex = 0;
    for (const FunctionBlock* function = file2.firstFunction; function != nullptr;
         function = function->next, ++functionIndex) {
        if (function->lineDirective != nullptr) {
            visit(*function->lineDirective, nullptr, std::int64_t{-1}, false);
        }
        const ListingLine* line1 = function1 != nullptr ? function1->firstLine : nullptr;
        std::int64_t rowFunction = functionIndex;
        for (const ListingLine* line = function->firstLine; line != nullptr; line = line->next()) {
            visit(*line, line1, rowFunction, true);
            rowFunction = -1;
            line1 = line1 != nullptr ? line1->next() : nullptr;
        }
        function1 = function1 != nullptr ? function1->next : nullptr;
    }
}

class FilePageWriter {
  public:
    FilePageWriter(OutputStream& out, const FileSummary& summary, const MonitoredFile& file2,
                   const MonitoredFile* file1)
        : out_(&out), summary_(summary), file2_(file2), file1_(file1), lostItems_(file2.lostHits) {}

    // Splits the rows into parts of at most `rowsPerPart` rows. The first
    // part is the page `summary.page`, part k "<page>.part<k>.html" beside it.
    void planParts(std::int64_t rowsPerPart) {
        FirstRowsOfLines claimed;
        std::int64_t lost = 0;
        forEachRow(file2_, file1_,
                   [&](const ListingLine& line, const ListingLine*, std::int64_t functionIndex,
                       bool profileLine) {
                       if (parts_.empty() || parts_.back().rows == rowsPerPart) {
                           parts_.emplace_back().name = partName(parts_.size() + 1);
                       }
                       PagePart& part = parts_.back();
                       ++part.rows;
                       if (functionIndex >= 0) {
                           functionParts_.push_back(parts_.size() - 1);
                       }
                       if (!profileLine) {
                           return;
                       }
                       if (claimed.claim(line.lineNumber)) {
                           part.firstLine = part.firstLine == 0
                                                ? line.lineNumber
                                                : std::min(part.firstLine, line.lineNumber);
                           part.lastLine = std::max(part.lastLine, line.lineNumber);
                       }
                       for (const int column : {kTrueMarkerColumn, kFalseMarkerColumn}) {
                           if (line.markerAt(column) == kLostMarker) {
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
        out_->write("<th>New<th>Lost</tr></thead>\n<tbody>\n");
        for (std::size_t k = 0; k < summary_.functions.size(); ++k) {
            const FunctionSummary& function = summary_.functions[k];
            out_->write("<tr><td><a href=\"");
            writePartLink(k < functionParts_.size() ? functionParts_[k] : 0);
            out_->write("#F");
            out_->writeInteger(static_cast<std::int64_t>(k));
            out_->write("\">");
            writeHtmlText(*out_, function.name);
            out_->write("</a><td>");
            out_->writeInteger(function.line);
            if (!functionCoverage) {
                out_->write("<td>");
                writeCoverage(*out_, function.ter1);
                out_->write("<td>");
                writeCoverageBar(*out_, function.ter1, function.ter2);
            }
            out_->write("<td>");
            out_->write(groupedCount(function.change.newHits));
            out_->write(function.change.lostHits > 0 ? "<td class=\"neg\">" : "<td>");
            out_->write(groupedCount(function.change.lostHits));
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
        forEachRow(file2_, file1_,
                   [&](const ListingLine& line, const ListingLine* line1,
                       std::int64_t functionIndex, bool profileLine) {
                       if (rowsInPart == parts_[currentPart_].rows) {
                           writeLineTableEnd();
                           ++currentPart_;
                           out_ = &nextPart(*out_, parts_[currentPart_].name);
                           writeHeading(model);
                           writeLineTableStart();
                           rowsInPart = 0;
                       }
                       ++rowsInPart;
                       if (profileLine) {
                           writeProfileRow(line, line1, functionIndex);
                       } else {
                           writeTextRow(line);
                       }
                   });
        writeLineTableEnd();
    }

    OutputStream& out() { return *out_; }

  private:
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
        out_->write(file1_ != nullptr ? "<tr class=\"d\"><td colspan=\"8\"><td>"
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

    void writeProfileRow(const ListingLine& line, const ListingLine* line1,
                         std::int64_t functionIndex) {
        const std::string_view text = line.view();
        const bool firstOfLine = rowsOfLines_.claim(line.lineNumber);
        // A row with a lost item stands out by its class: a style sheet that
        // asked whether a row holds one would take seconds on a long page.
        const bool holdsLost = line.markerAt(kTrueMarkerColumn) == kLostMarker ||
                               line.markerAt(kFalseMarkerColumn) == kLostMarker;
        out_->write(holdsLost ? "<tr class=\"hl\"" : "<tr");
        if (functionIndex >= 0) {
            out_->write(" id=\"F");
            out_->writeInteger(functionIndex);
            out_->write(firstOfLine ? "\"><td id=\"L" : "\"><td>");
        } else {
            out_->write(firstOfLine ? " id=\"L" : "><td>");
        }
        if (firstOfLine) {
            out_->writeInteger(line.lineNumber);
            out_->write(functionIndex >= 0 ? "\">" : "\"><td>");
        }
        if (line.lineNumber != 0) {
            out_->writeInteger(line.lineNumber);
        }
        if (file1_ != nullptr) {
            const std::string_view text1 = line1 != nullptr ? line1->view() : std::string_view{};
            out_->write("<td>");
            writeHtmlText(*out_, trueCountOf(text1));
            out_->write("<td>");
            writeHtmlText(*out_, falseCountOf(text1));
        }
        const std::int64_t lostBefore = lostWritten_;
        out_->write("<td>");
        writeHtmlText(*out_, trueCountOf(text));
        writeMarker(line.markerAt(kTrueMarkerColumn));
        out_->write("<td>");
        writeHtmlText(*out_, falseCountOf(text));
        writeMarker(line.markerAt(kFalseMarkerColumn));
        out_->write("<td>");
        if (text.size() > static_cast<std::size_t>(kCoverageFlagColumn) &&
            text[kCoverageFlagColumn] != ' ') {
            writeHtmlText(*out_, text.substr(kCoverageFlagColumn, 1));
        }
        out_->write("<td>");
        if (text.size() > static_cast<std::size_t>(kDescriptionColumn)) {
            writeHtmlText(*out_, text.substr(kDescriptionColumn));
        }
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
                   const char* listing2CoverageView, const SectionAlignment* /*alignment*/,
                   std::int64_t rowsPerPart) {
    // A section that was not compared shows listing 2's lines alone, also
    // when listing 1 has a section of its name: their lines need not stand
    // against each other.
    OutputStream& first = files.open(summary.page);
    FilePageWriter page(first, summary, file2, file2.comparable != 0 ? file1 : nullptr);
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
