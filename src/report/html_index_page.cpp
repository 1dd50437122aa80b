// The index page: the two runs side by side, the warnings, the totals, and
// the table of files grouped by directory, each directory with the sums of
// its files. Every figure is in the HTML; the script only sorts and filters.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "output/figure_text.h"
#include "report/html_page_parts.h"
#include "report/html_pages.h"
#include "report/html_text.h"

namespace korvcmp {
namespace {

// The directory of a path: what stands before its last '/' or '\'.
std::string_view directoryOf(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? std::string_view{} : path.substr(0, separator);
}

std::string_view fileNameOf(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

const std::string* headerField(const ListingHeader& header, std::string_view label) {
    for (const auto& [fieldLabel, value] : header.fields) {
        if (fieldLabel == label) {
            return &value;
        }
    }
    return nullptr;
}

void writeHeaderCell(OutputStream& out, const std::string* value) {
    out.write("<td>");
    if (value != nullptr && !value->empty()) {
        writeHtmlText(out, *value);
    } else {
        out.write("—");
    }
}

void writeRuns(OutputStream& out, const ReportModel& model) {
    out.write(
        "<section>\n<h2>Runs</h2>\n<table class=\"runs\">\n<thead><tr><th><th "
        "scope=\"col\">Run 1 (listing 1)<th scope=\"col\">Run 2 (listing 2)</tr></thead>\n"
        "<tbody>\n<tr><th scope=\"row\">Listing");
    writeHeaderCell(out, &model.listing1.path);
    writeHeaderCell(out, &model.listing2.path);
    for (const std::string_view label : {"Program", "Test command", "Trace file"}) {
        out.write("\n<tr><th scope=\"row\">");
        out.write(label);
        writeHeaderCell(out, headerField(model.listing1, label));
        writeHeaderCell(out, headerField(model.listing2, label));
    }
    out.write("\n<tr><th scope=\"row\">Listing produced at");
    writeHeaderCell(out, &model.listing1.producedAt);
    writeHeaderCell(out, &model.listing2.producedAt);
    out.write("\n<tr><th scope=\"row\">Coverage view");
    writeHeaderCell(out, &model.listing1.coverageView);
    writeHeaderCell(out, &model.listing2.coverageView);
    out.write("\n</tbody>\n</table>\n</section>\n");
}

void writeWarnings(OutputStream& out, const ReportModel& model) {
    if (model.warnings.empty()) {
        return;
    }
    out.write("<section class=\"warn\" role=\"alert\">\n<h2>⚠ Warnings</h2>\n<ul>\n");
    for (const std::string& warning : model.warnings) {
        out.write("<li>");
        writeHtmlText(out, warning);
        out.write("\n");
    }
    out.write("</ul>\n</section>\n");
}

// "3 (no file: 2, different profile: 1)": the files not compared, by reason.
void writeNotCompared(OutputStream& out, const ReportModel& model) {
    out.write(groupedCount(static_cast<std::int64_t>(model.totals.notCompared)));
    std::vector<std::pair<std::string_view, std::int64_t>> reasons;
    for (const FileSummary& file : model.files) {
        if (file.status != FileStatus::NotCompared) {
            continue;
        }
        const auto known = std::find_if(reasons.begin(), reasons.end(), [&](const auto& entry) {
            return entry.first == file.reason;
        });
        if (known == reasons.end()) {
            reasons.emplace_back(file.reason, 1);
        } else {
            ++known->second;
        }
    }
    if (reasons.empty()) {
        return;
    }
    out.write(" <small>(");
    for (std::size_t i = 0; i < reasons.size(); ++i) {
        out.write(i == 0 ? "" : ", ");
        writeHtmlText(out, reasons[i].first.empty() ? "no reason given" : reasons[i].first);
        out.write(": ");
        out.write(groupedCount(reasons[i].second));
    }
    out.write(")</small>");
}

// What became of every item of both runs, edited and moved files aligned.
void writeAlignedTotals(OutputStream& out, const ChangeCategories& changes) {
    out.write(
        "<h3>Every item of both runs, edited and moved files aligned</h3>\n<div "
        "class=\"cards\">\n");
    writeChangeCards(out, changes);
    out.write("</div>\n");
}

void writeTotals(OutputStream& out, const ReportModel& model) {
    const ReportTotals& totals = model.totals;
    out.write("<section>\n<h2>Totals</h2>\n<div class=\"cards\">\n");
    writeCoverageCards(out, totals.ter1, totals.ter2, totals.change, newOfFilesNotCompared(model),
                       totals.removedCovered);
    out.write("</div>\n<div class=\"cards files\">\n");
    writeCardStart(out, "Files compared");
    out.write(groupedCount(static_cast<std::int64_t>(totals.compared)));
    writeCardEnd(out);
    writeCardStart(out, "Not compared");
    writeNotCompared(out, model);
    writeCardEnd(out);
    writeCardStart(out, "Removed", totals.removed > 0);
    out.write(groupedCount(static_cast<std::int64_t>(totals.removed)));
    writeCardEnd(out);
    writeCardStart(out, "With lost coverage", totals.withLostCoverage > 0);
    out.write(groupedCount(static_cast<std::int64_t>(totals.withLostCoverage)));
    writeCardEnd(out);
    out.write("</div>\n");
    writeAlignedTotals(out, totals.changes);
    out.write("</section>\n");
}

// The sums of a directory's files.
struct DirectorySums {
    std::int64_t covered1 = 0;
    std::int64_t total1 = 0;
    std::int64_t covered2 = 0;
    std::int64_t total2 = 0;
    std::int64_t newHits = 0;
    std::int64_t lostHits = 0;
    std::int64_t files = 0;
    std::int64_t withLostCoverage = 0;
    ChangeCategories changes;

    void add(const FileSummary& file) {
        if (file.ter1.present) {
            covered1 += file.ter1.covered;
            total1 += file.ter1.total;
        }
        if (file.ter2.present) {
            covered2 += file.ter2.covered;
            total2 += file.ter2.total;
        }
        newHits += file.newItems();
        lostHits += file.lostItems();
        changes.add(file.changes);
        ++files;
        withLostCoverage += file.lostCoverage() ? 1 : 0;
    }
};

// The figure cells of a file or directory row: coverage 1, coverage 2 with
// its bar, the change, new, lost.
void writeFigureCells(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2,
                      std::int64_t newHits, std::int64_t lostHits) {
    out.write("<td>");
    writeCoverage(out, ter1);
    out.write("<td>");
    writeCoverageBar(out, ter1, ter2);
    out.write("<td>");
    writeCoverageChange(out, ter1, ter2);
    out.write("<td>");
    out.write(groupedCount(newHits));
    out.write(lostHits > 0 ? "<td class=\"neg\">" : "<td>");
    out.write(groupedCount(lostHits));
}

// The categories of a file's or directory's items, in short, with every
// figure in the cell's title.
void writeCategoriesCell(OutputStream& out, const ChangeCategories& changes) {
    out.write("<td title=\"");
    writeFullCategories(out, changes);
    out.write("\">");
    writeCompactCategories(out, changes);
}

void writeDirectoryRow(OutputStream& out, std::string_view directory, const DirectorySums& sums) {
    out.write("<tbody data-dir=\"");
    writeHtmlText(out, directory);
    out.write("\">\n<tr class=\"dir\"><th scope=\"rowgroup\">");
    writeHtmlText(out, directory.empty() ? std::string_view{"."} : directory);
    writeFigureCells(out, sumOfFigures(sums.covered1, sums.total1),
                     sumOfFigures(sums.covered2, sums.total2), sums.newHits, sums.lostHits);
    writeCategoriesCell(out, sums.changes);
    out.write("<td>");
    out.write(groupedCount(sums.files));
    out.write(sums.files == 1 ? " file" : " files");
    if (sums.withLostCoverage > 0) {
        out.write(", ");
        out.write(groupedCount(sums.withLostCoverage));
        out.write(" with lost coverage");
    }
    out.write("\n");
}

void writeFileRow(OutputStream& out, const FileSummary& file) {
    // Removed and not compared files, and those with lost coverage, stand out;
    // edited and moved files are seen as well as compared ones.
    const std::string_view status = file.status == FileStatus::Removed ? "rm"
                                    : file.status == FileStatus::NotCompared && !file.aligned()
                                        ? "nc"
                                        : "";
    const bool lostCoverage = file.lostCoverage();
    out.write("<tr");
    if (!status.empty() || lostCoverage) {
        out.write(" class=\"");
        out.write(status);
        if (lostCoverage) {
            out.write(status.empty() ? "ll" : " ll");
        }
        out.put('"');
    }
    out.write("><td>");
    if (!file.page.empty()) {
        out.write("<a href=\"");
        writeHtmlText(out, file.page);
        out.write("\">");
        writeHtmlText(out, fileNameOf(file.path));
        out.write("</a>");
    } else {
        writeHtmlText(out, fileNameOf(file.path));
    }
    writeFigureCells(out, file.ter1, file.ter2, file.newItems(), file.lostItems());
    writeCategoriesCell(out, file.changes);
    out.write("<td>");
    writeFileStatus(out, file);
    out.write("\n");
}

void writeFileTable(OutputStream& out, const ReportModel& model) {
    out.write(
        "<section>\n<h2>Files</h2>\n"
        "<div class=\"tools\" id=\"tools\" hidden><label>Filter <input type=\"search\" "
        "id=\"filter\" placeholder=\"file name\" autocomplete=\"off\"></label> <label><input "
        "type=\"checkbox\" id=\"onlylost\"> only files with lost coverage</label> <span "
        "id=\"shown\" aria-live=\"polite\"></span></div>\n"
        "<div class=\"wrap\">\n<table class=\"files\" id=\"files\">\n<thead><tr>"
        "<th scope=\"col\" data-sort=\"text\">File<th scope=\"col\" data-sort=\"number\">"
        "Coverage 1<th scope=\"col\" data-sort=\"number\">Coverage 2<th scope=\"col\" "
        "data-sort=\"number\">Change<th scope=\"col\" data-sort=\"number\">New<th "
        "scope=\"col\" data-sort=\"number\">Lost<th scope=\"col\" data-sort=\"number\"><abbr "
        "title=\"Items kept / gained / lost / added: covered of all / deleted\">Items</abbr>"
        "<th scope=\"col\" data-sort=\"text\">Status"
        "</tr></thead>\n");
    // The files by directory, each directory's files in the model's order.
    std::vector<const FileSummary*> files;
    files.reserve(model.files.size());
    std::transform(model.files.begin(), model.files.end(), std::back_inserter(files),
                   [](const FileSummary& file) { return &file; });
    std::stable_sort(files.begin(), files.end(), [](const FileSummary* a, const FileSummary* b) {
        return directoryOf(a->path) < directoryOf(b->path);
    });
    for (std::size_t first = 0; first < files.size();) {
        const std::string_view directory = directoryOf(files[first]->path);
        std::size_t end = first;
        DirectorySums sums;
        while (end < files.size() && directoryOf(files[end]->path) == directory) {
            sums.add(*files[end]);
            ++end;
        }
        writeDirectoryRow(out, directory, sums);
        for (std::size_t i = first; i < end; ++i) {
            writeFileRow(out, *files[i]);
        }
        out.write("</tbody>\n");
        first = end;
    }
    out.write("</table>\n</div>\n</section>\n");
}

}  // namespace

void writeIndexPage(OutputStream& out, const ReportModel& model) {
    writePageStart(out, model.title, {}, "");
    out.write("<header class=\"top\">\n<h1>");
    writeHtmlText(out, model.title);
    out.write(
        "</h1>\n<p class=\"st\">Differential coverage: run 2 against run 1. In the file pages "
        "<span class=\"sample-lost\">v</span> marks lost coverage, <span "
        "class=\"sample-new\">^</span> new coverage.</p>\n</header>\n<main>\n");
    writeWarnings(out, model);
    writeRuns(out, model);
    writeTotals(out, model);
    writeFileTable(out, model);
    out.write("</main>\n");
    writePageEnd(out);
}

}  // namespace korvcmp
