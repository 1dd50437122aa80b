// The shared pieces of the report's pages.
#include "report/html_page_parts.h"

#include "output/figure_text.h"
#include "report/html_pages.h"
#include "report/html_text.h"

namespace korvcmp {

void writePageStart(OutputStream& out, std::string_view first, std::string_view second,
                    std::string_view assetPrefix) {
    out.write(
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<meta name=\"generator\" content=\"korvcmp-report\">\n<title>");
    writeHtmlText(out, first.empty() ? std::string_view{"Coverage report"} : first);
    if (!second.empty()) {
        out.write(" · ");
        writeHtmlText(out, second);
    }
    out.write("</title>\n<link rel=\"stylesheet\" href=\"");
    out.write(assetPrefix);
    out.write(kStyleSheetName);
    out.write("\">\n<script src=\"");
    out.write(assetPrefix);
    out.write(kScriptName);
    // Not deferred: the script marks the page as scripted before the body
    // is laid out (see report.js).
    out.write("\"></script>\n</head>\n<body>\n");
}

void writePageEnd(OutputStream& out) {
    out.write("</body>\n</html>\n");
}

TerFigures sumOfFigures(std::int64_t covered, std::int64_t total) {
    TerFigures figures;
    figures.present = total > 0;
    figures.covered = covered;
    figures.total = total;
    figures.percent = total > 0 ? covered * 100 / total : 0;
    return figures;
}

namespace {

// " (14/19)", small, kept on one line.
void writeFraction(OutputStream& out, const TerFigures& figures) {
    out.write(" <small>(");
    out.write(groupedCount(figures.covered));
    out.put('/');
    out.write(groupedCount(figures.total));
    out.write(")</small>");
}

}  // namespace

void writeCoverage(OutputStream& out, const TerFigures& figures) {
    if (!figures.present) {
        out.write("—");
        return;
    }
    out.write(percentText(coverageTenths(figures)));
    writeFraction(out, figures);
}

void writeCoverageChange(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2) {
    if (!ter1.present || !ter2.present) {
        out.write("—");
        return;
    }
    out.write(pointsText(coverageTenths(ter1), coverageTenths(ter2)));
}

namespace {

// A percentage as a CSS length, kept within the bar.
void writeBarPercent(OutputStream& out, const TerFigures& figures) {
    const std::int64_t tenths = coverageTenths(figures);
    out.write(percentText(tenths < 0 ? 0 : tenths > 1000 ? 1000 : tenths));
}

}  // namespace

void writeCoverageBar(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2) {
    if (!ter2.present) {
        out.write("—");
        return;
    }
    // One element: the style sheet draws the fill to --p and the tick at --q
    // behind the percentage.
    out.write("<span class=\"bar\" style=\"--p:");
    writeBarPercent(out, ter2);
    if (ter1.present) {
        out.write(";--q:");
        writeBarPercent(out, ter1);
    }
    out.write("\">");
    out.write(percentText(coverageTenths(ter2)));
    out.write("</span>");
    writeFraction(out, ter2);
}

void writeCardStart(OutputStream& out, std::string_view label, bool stressed) {
    out.write(stressed ? "<div class=\"card alarm\"><span>" : "<div class=\"card\"><span>");
    out.write(label);
    out.write("</span><b>");
}

void writeCardEnd(OutputStream& out) {
    out.write("</b></div>\n");
}

void writeCoverageCards(OutputStream& out, const TerFigures& ter1, const TerFigures& ter2,
                        const ChangeFigures& change, std::int64_t newOfFilesNotCompared,
                        std::int64_t coveredInRemovedFiles) {
    writeCardStart(out, "Coverage, run 1");
    writeCoverage(out, ter1);
    writeCardEnd(out);
    writeCardStart(out, "Coverage, run 2");
    writeCoverage(out, ter2);
    writeCardEnd(out);
    writeCardStart(out, "Change (points)");
    writeCoverageChange(out, ter1, ter2);
    writeCardEnd(out);
    // korvcmp's [hits in 1 + new - lost] counts items of the files it
    // compared, and every covered item of a file it did not compare as new:
    // the cards say so, since the coverage above counts every file.
    writeCardStart(out, "Hits in run 1");
    out.write(groupedCount(change.hits1));
    out.write(" <small>in files compared</small>");
    writeCardEnd(out);
    writeCardStart(out, "New");
    out.write(change.newHits > 0 ? "+" : "");
    out.write(groupedCount(change.newHits));
    if (newOfFilesNotCompared > 0) {
        out.write(" <small>(");
        out.write(groupedCount(change.newHits - newOfFilesNotCompared));
        out.write(" marked ^, ");
        out.write(groupedCount(newOfFilesNotCompared));
        out.write(" covered in files not compared)</small>");
    }
    writeCardEnd(out);
    writeCardStart(out, "Lost", change.lostHits > 0);
    out.write(change.lostHits > 0 ? "−" : "");
    out.write(groupedCount(change.lostHits));
    if (coveredInRemovedFiles > 0) {
        out.write(" <small>(and ");
        out.write(groupedCount(coveredInRemovedFiles));
        out.write(" covered in removed files)</small>");
    }
    writeCardEnd(out);
}

void writeFileStatus(OutputStream& out, const FileSummary& summary) {
    out.write(fileStatusName(summary.status));
    if (summary.status == FileStatus::NotCompared && !summary.reason.empty()) {
        out.write(": ");
        writeHtmlText(out, summary.reason);
    }
}

}  // namespace korvcmp
